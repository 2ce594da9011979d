#include "aztec_kinds.hpp"

#include <charconv>

#include "../shared/kind_options.hpp"
#include "tavlo/encode_aztec.hpp"

namespace tavlo {
namespace {

Result<AztecOptions> options_of(KindOptions options) {
    AztecOptions out;
    const auto layers = kind_options::whole(options, "layers", 0, -4, 32);
    if (!layers) return std::unexpected(layers.error());
    if (*layers == 0 && kind_options::find(options, "layers"))
        return std::unexpected(kind_options::refused("layers", "0", "1 to 32 (full range) or -1 to -4 (compact)"));
    out.layers = int(*layers);
    if (kind_options::find(options, "error_correction")) {
        const auto percent = kind_options::whole(options, "error_correction", 23, 5, 95);
        if (!percent) return std::unexpected(percent.error());
        out.error_correction = int(*percent);
    }
    if (kind_options::find(options, "eci")) {
        const auto eci = kind_options::whole(options, "eci", 0, 0, 999999);
        if (!eci) return std::unexpected(eci.error());
        out.eci = std::uint32_t(*eci);
    }
    const auto index = kind_options::find(options, "structured_append_index");
    const auto count = kind_options::find(options, "structured_append_count");
    if (index || count) {
        const auto total = kind_options::whole(options, "structured_append_count", 0, 2, 26);
        if (!total) return std::unexpected(total.error());
        const auto position = kind_options::whole(options, "structured_append_index", 0, 1, *total);
        if (!position) return std::unexpected(position.error());
        if (!index || !count)
            return std::unexpected(TavloError::encoding("structured append needs both an index and a count"));
        out.structured_append = AztecOptions::StructuredAppend{
            int(*position), int(*total), std::string(kind_options::find(options, "structured_append_id").value_or(""))};
    } else if (kind_options::find(options, "structured_append_id")) {
        return std::unexpected(TavloError::encoding("a structured append id needs an index and a count"));
    }
    return out;
}

}  // namespace

Result<Encoded> encode_aztec_kind(std::string_view data, KindOptions options) {
    const auto aztec_options = options_of(options);
    if (!aztec_options) return std::unexpected(aztec_options.error());
    auto modules = encode_aztec(std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), *aztec_options);
    if (!modules) return std::unexpected(modules.error());
    return Encoded{std::move(*modules), {}};
}

Result<Encoded> encode_aztec_rune_kind(std::string_view data, KindOptions) {
    int value = -1;
    const auto [end, error] = std::from_chars(data.data(), data.data() + data.size(), value);
    if (data.empty() || error != std::errc() || end != data.data() + data.size() || value < 0 || value > 255)
        return std::unexpected(TavloError::encoding("an Aztec Rune's value must be a whole number from 0 to 255, not '" +
                                                    std::string(data) + "'"));
    auto modules = encode_aztec_rune(value);
    if (!modules) return std::unexpected(modules.error());
    return Encoded{std::move(*modules), {}};
}

}  // namespace tavlo
