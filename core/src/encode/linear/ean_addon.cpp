#include <string>

#include "../../ascii.hpp"
#include "../../utf8.hpp"
#include "../../assert.hpp"
#include "ean_upc.hpp"
#include "tavlo/encode_retail.hpp"

namespace tavlo {

Result<LinearGeometry> encode_ean_addon(std::string_view digits) {
    auto bad = utf8::first_refused(digits, ascii::is_digit);
    if (!bad.empty()) return std::unexpected(TavloError::invalid_character("add-on", bad));
    if (digits.size() != 2 && digits.size() != 5) {
        return std::unexpected(TavloError::invalid_data("Invalid length for add-on: expected 2 or 5 digits, got " +
                                                        std::to_string(digits.size())));
    }
    return bars_from_modules(ean_upc::addon_modules(digits));
}

LinearGeometry with_addon(const LinearGeometry& main, const LinearGeometry& addon, std::uint32_t gap) {
    TAVLO_ASSERT(gap > 0);
    LinearGeometry out = main;
    const std::uint32_t shift = main.total_modules + gap;
    out.bars.reserve(main.bars.size() + addon.bars.size());
    for (Bar bar : addon.bars) out.bars.push_back({bar.x + shift, bar.width});
    out.total_modules = shift + addon.total_modules;
    return out;
}

}  // namespace tavlo
