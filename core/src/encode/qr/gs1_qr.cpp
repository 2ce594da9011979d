#include "tavlo/gs1_qr.hpp"

#include "qr.hpp"
#include "tavlo/gs1_check.hpp"
#include "tavlo/gs1_syntax.hpp"

namespace tavlo {
namespace {

constexpr char group_separator = '\x1D';

// The GS1 data as the symbol carries it after FNC1: a GS ends each element of variable length but the last
// (GS1 General Specifications 7.8.5.1).
std::string gs1_payload(const std::vector<AiField>& elements) {
    std::string payload;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        payload += elements[i].ai;
        payload += elements[i].data;
        if (i + 1 < elements.size() && gs1::needs_separator(elements[i].ai)) payload += group_separator;
    }
    return payload;
}

}  // namespace

Result<MatrixGeometry> encode_gs1_qr(std::string_view element_string) {
    auto elements = gs1::parse_element_string(element_string);
    if (!elements) return std::unexpected(std::move(elements.error()));
    return qr::encode_payload(gs1_payload(*elements), true);
}

Result<Encoded> encode_gs1_qr_kind(std::string_view data, KindOptions) {
    auto elements = gs1::parse_element_string(data);
    if (!elements) return std::unexpected(std::move(elements.error()));
    auto geometry = qr::encode_payload(gs1_payload(*elements), true);
    if (!geometry) return std::unexpected(std::move(geometry.error()));
    return Encoded{std::move(*geometry), gs1::human_readable(*elements)};
}

}  // namespace tavlo
