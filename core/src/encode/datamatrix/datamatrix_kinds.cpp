#include "datamatrix_kinds.hpp"

#include <charconv>

#include "../shared/kind_options.hpp"
#include "tavlo/datamatrix.hpp"
#include "tavlo/gs1.hpp"
#include "tavlo/gs1_check.hpp"
#include "tavlo/gs1_syntax.hpp"

namespace tavlo {
namespace {

// Square by default: rectangles, and above all the DMRE ones, are read by fewer scanners.
Result<DataMatrixShape> shape_of(KindOptions options) {
    const std::string_view text = kind_options::find(options, "shape").value_or("square");
    if (text == "any") return DataMatrixShape::Any;
    if (text == "square") return DataMatrixShape::Square;
    if (text == "rect" || text == "rectangle" || text == "rectangular") return DataMatrixShape::Rectangular;
    return std::unexpected(kind_options::refused("shape", text, "'square', 'rectangle' or 'any'"));
}

// "index,count,file_id", as the package writes the tuple.
Result<DataMatrixStructuredAppend> structured_append_of(std::string_view text) {
    std::uint32_t values[3] = {};
    std::size_t at = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t end = i < 2 ? text.find(',', at) : text.size();
        const std::string_view part = end == std::string_view::npos ? std::string_view{} : text.substr(at, end - at);
        const auto [last, error] = std::from_chars(part.data(), part.data() + part.size(), values[i]);
        if (part.empty() || error != std::errc() || last != part.data() + part.size()) {
            return std::unexpected(kind_options::refused("structured_append", text, "(index, count, file_id)"));
        }
        at = end + 1;
    }
    return DataMatrixStructuredAppend{values[0], values[1], values[2]};
}

// The options both kinds take: shape, dmre and size.
Result<DataMatrixOptions> sizing_of(KindOptions options) {
    DataMatrixOptions result;
    const auto shape = shape_of(options);
    if (!shape) return std::unexpected(shape.error());
    const auto dmre = kind_options::boolean(options, "dmre", false);
    if (!dmre) return std::unexpected(dmre.error());
    result.dmre = *dmre;
    // A fixed size that is a rectangle needs no shape: the default square gives way to it.
    result.shape = *shape;
    if (const auto text = kind_options::find(options, "size")) {
        const auto size = parse_datamatrix_size(*text);
        if (!size) return std::unexpected(size.error());
        result.size = *size;
        if (!kind_options::find(options, "shape")) result.shape = DataMatrixShape::Any;
    } else if (result.dmre && !kind_options::find(options, "shape")) {
        result.shape = DataMatrixShape::Rectangular;
    }
    return result;
}

}  // namespace

Result<Encoded> encode_datamatrix_kind(std::string_view data, KindOptions options) {
    auto settings = sizing_of(options);
    if (!settings) return std::unexpected(settings.error());
    const auto eci = kind_options::whole(options, "eci", -1, 0, 999999);
    if (!eci) return std::unexpected(eci.error());
    if (*eci >= 0) settings->eci = static_cast<std::uint32_t>(*eci);
    if (const auto text = kind_options::find(options, "structured_append")) {
        const auto append = structured_append_of(*text);
        if (!append) return std::unexpected(append.error());
        settings->structured_append = *append;
    }
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    auto modules = encode_datamatrix(bytes, *settings);
    if (!modules) return std::unexpected(modules.error());
    return Encoded{std::move(*modules), {}};
}

Result<Encoded> encode_gs1_datamatrix_kind(std::string_view data, KindOptions options) {
    auto fields = gs1::parse(data);
    if (!fields) return std::unexpected(fields.error());
    if (auto valid = gs1::parse_element_string(data); !valid) return std::unexpected(std::move(valid.error()));
    auto settings = sizing_of(options);
    if (!settings) return std::unexpected(settings.error());
    settings->gs1 = true;
    const std::string bytes = gs1::to_datamatrix_bytes(*fields);
    auto modules = encode_datamatrix(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), *settings);
    if (!modules) return std::unexpected(modules.error());
    return Encoded{std::move(*modules), gs1::human_readable(*fields)};
}

}  // namespace tavlo
