#include "datamatrix_kinds.hpp"

#include "../shared/kind_options.hpp"
#include "tavlo/encode.hpp"
#include "tavlo/gs1.hpp"
#include "tavlo/gs1_check.hpp"

namespace tavlo {
namespace {

Result<DataMatrixShape> shape_of(KindOptions options) {
    const std::string_view text = kind_options::find(options, "shape").value_or("any");
    if (text == "any") return DataMatrixShape::Any;
    if (text == "square") return DataMatrixShape::Square;
    if (text == "rect" || text == "rectangle" || text == "rectangular") return DataMatrixShape::Rectangular;
    return std::unexpected(kind_options::refused("shape", text, "'any', 'square' or 'rectangular'"));
}

}  // namespace

Result<Encoded> encode_datamatrix_kind(std::string_view data, KindOptions options) {
    const auto shape = shape_of(options);
    if (!shape) return std::unexpected(shape.error());
    auto modules = encode_datamatrix(data, false, *shape);
    if (!modules) return std::unexpected(modules.error());
    return Encoded{std::move(*modules), {}};
}

Result<Encoded> encode_gs1_datamatrix_kind(std::string_view data, KindOptions options) {
    auto fields = gs1::parse(data);
    if (!fields) return std::unexpected(fields.error());
    const auto shape = shape_of(options);
    if (!shape) return std::unexpected(shape.error());
    auto modules = encode_datamatrix(gs1::to_datamatrix_bytes(*fields), true, *shape);
    if (!modules) return std::unexpected(modules.error());
    return Encoded{std::move(*modules), gs1::human_readable(*fields)};
}

}  // namespace tavlo
