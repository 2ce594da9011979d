#include "datamatrix_encodation.hpp"

#include <algorithm>
#include <cstddef>

#include "../shared/assert.hpp"
#include "datamatrix_exact_plan.hpp"
#include "datamatrix_preferred_plan.hpp"
#include "datamatrix_schemes.hpp"

namespace tavlo::datamatrix {

std::optional<Encodation> encode_data_codewords(std::span<const std::uint8_t> payload, bool gs1,
                                                std::span<const SymbolSize> sizes) {
    std::vector<std::uint8_t> out;
    out.reserve(max_data_codewords);
    if (gs1) out.push_back(fnc1);

    // Macro 05/06: header "[)>" RS "05"/"06" GS and trailer RS EOT, both implied by the one codeword.
    static constexpr std::uint8_t header[] = {'[', ')', '>', 0x1E, '0', '5', 0x1D};
    if (payload.size() >= 9 && std::equal(header, header + 4, payload.begin()) && payload[4] == '0' &&
        (payload[5] == '5' || payload[5] == '6') && payload[6] == 0x1D && payload[payload.size() - 2] == 0x1E &&
        payload.back() == 0x04) {
        out.push_back(payload[5] == '5' ? macro05 : macro06);
        payload = payload.subspan(7, payload.size() - 9);
    }

    // Two digits per codeword is the densest any scheme gets.
    int largest = 0;
    for (const auto& size : sizes) largest = std::max<int>(largest, size.data_codewords);
    if (payload.size() > 2 * std::size_t(largest)) return std::nullopt;

    // The exact plan gives the fewest codewords for each size; the preferred plan is written whenever it
    // reaches that count, which it does for all but a few long mixed payloads.
    Plan exact{payload, {}, {}, {}};
    exact.run(int(out.size()));
    const PreferredPlan preferred(payload, int(out.size()));
    for (const auto& size : sizes) {
        const int capacity = size.data_codewords;
        const Choice choice = choose_end(exact, capacity);
        if (choice.total > capacity) continue;
        const PreferredEnd end = preferred_end(preferred, capacity);
        if (end.total <= choice.total) {
            emit_preferred(preferred, end, capacity, out);
            TAVLO_ASSERT(int(out.size()) == end.total);
        } else {
            emit(exact, choice, capacity, out);
            TAVLO_ASSERT(int(out.size()) == choice.total);
        }
        if (out.size() < std::size_t(capacity)) out.push_back(pad_codeword);
        for (std::size_t k = out.size(); k < std::size_t(capacity); ++k) out.push_back(randomise_253(k + 1));
        TAVLO_ASSERT(out.size() == std::size_t(capacity));
        return Encodation{std::move(out), size};
    }
    return std::nullopt;
}

}  // namespace tavlo::datamatrix
