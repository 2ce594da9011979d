#include "databar_kinds.hpp"

#include <string>

#include "../shared/kind_options.hpp"
#include "tavlo/encode_databar.hpp"

namespace tavlo {
namespace {

// Two pairs of segments a row when the caller names no width: the common choice of printers' software.
constexpr std::int64_t default_segments_per_row = 4;

Result<Encoded> as_bars(Result<DataBarSymbol> symbol) {
    if (!symbol) return std::unexpected(std::move(symbol.error()));
    return Encoded{databar_bars(*symbol), std::move(symbol->human_readable)};
}

Result<Encoded> as_matrix(Result<DataBarSymbol> symbol) {
    if (!symbol) return std::unexpected(std::move(symbol.error()));
    return Encoded{databar_matrix(*symbol), std::move(symbol->human_readable)};
}

}  // namespace

Result<Encoded> encode_databar_kind(std::string_view data, KindOptions) {
    return as_bars(encode_databar(data, DataBarVariant::Omnidirectional));
}

Result<Encoded> encode_databar_truncated_kind(std::string_view data, KindOptions) {
    return as_bars(encode_databar(data, DataBarVariant::Truncated));
}

Result<Encoded> encode_databar_stacked_kind(std::string_view data, KindOptions) {
    return as_matrix(encode_databar(data, DataBarVariant::Stacked));
}

Result<Encoded> encode_databar_stacked_omni_kind(std::string_view data, KindOptions) {
    return as_matrix(encode_databar(data, DataBarVariant::StackedOmnidirectional));
}

Result<Encoded> encode_databar_limited_kind(std::string_view data, KindOptions) {
    return as_bars(encode_databar_limited(data));
}

Result<Encoded> encode_databar_expanded_kind(std::string_view data, KindOptions) {
    return as_bars(encode_databar_expanded(data, {}));
}

Result<Encoded> encode_databar_expanded_stacked_kind(std::string_view data, KindOptions options) {
    constexpr std::string_view name = "segments_per_row";
    const auto segments = kind_options::whole(options, name, default_segments_per_row, databar_min_segments_per_row,
                                              databar_max_segments_per_row);
    if (!segments) return std::unexpected(segments.error());
    if (*segments % 2 != 0) {
        return std::unexpected(kind_options::refused(name, std::to_string(*segments), "an even number from 2 to 20"));
    }
    return as_matrix(encode_databar_expanded(data, {.segments_per_row = std::uint32_t(*segments)}));
}

}  // namespace tavlo
