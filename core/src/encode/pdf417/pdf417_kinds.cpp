#include "pdf417_kinds.hpp"

#include "../shared/kind_options.hpp"
#include "tavlo/encode_pdf417.hpp"

namespace tavlo {
namespace {

// Whole-number options are never negative: -1 stands for an option the caller left out.
constexpr std::int64_t absent = -1;

Result<std::optional<std::uint32_t>> optional_whole(KindOptions options, std::string_view name, std::int64_t least,
                                                    std::int64_t most) {
    const auto value = kind_options::whole(options, name, absent, least, most);
    if (!value) return std::unexpected(value.error());
    if (*value == absent) return std::nullopt;
    return std::uint32_t(*value);
}

std::span<const std::uint8_t> bytes_of(std::string_view data) {
    return {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()};
}

Result<Pdf417Options> pdf417_options(KindOptions options) {
    Pdf417Options out;
    const auto take = [&](std::optional<std::uint32_t>& field, std::string_view name, std::int64_t least,
                          std::int64_t most) -> Result<void> {
        auto value = optional_whole(options, name, least, most);
        if (!value) return std::unexpected(value.error());
        field = *value;
        return {};
    };
    if (auto r = take(out.error_correction, "error_correction", 0, pdf417_max_error_correction); !r)
        return std::unexpected(r.error());
    if (auto r = take(out.columns, "columns", 1, pdf417_max_columns); !r) return std::unexpected(r.error());
    if (auto r = take(out.rows, "rows", pdf417_min_rows, pdf417_max_rows); !r) return std::unexpected(r.error());
    if (auto r = take(out.eci, "eci", 0, pdf417_max_eci); !r) return std::unexpected(r.error());
    if (auto r = take(out.segment_index, "segment_index", 0, pdf417_max_segment_index); !r)
        return std::unexpected(r.error());
    const auto compact = kind_options::boolean(options, "compact", false);
    if (!compact) return std::unexpected(compact.error());
    out.compact = *compact;
    const auto last = kind_options::boolean(options, "last_segment", false);
    if (!last) return std::unexpected(last.error());
    out.last_segment = *last;
    if (const auto id = kind_options::find(options, "file_id")) out.file_id = std::string(*id);
    return out;
}

}  // namespace

Result<Encoded> encode_pdf417_kind(std::string_view data, KindOptions options) {
    const auto parsed = pdf417_options(options);
    if (!parsed) return std::unexpected(parsed.error());
    auto modules = encode_pdf417(bytes_of(data), *parsed);
    if (!modules) return std::unexpected(modules.error());
    return Encoded{std::move(*modules), {}};
}

Result<Encoded> encode_micro_pdf417_kind(std::string_view data, KindOptions options) {
    MicroPdf417Options parsed;
    auto columns = optional_whole(options, "columns", 1, micro_pdf417_max_columns);
    if (!columns) return std::unexpected(columns.error());
    parsed.columns = *columns;
    auto eci = optional_whole(options, "eci", 0, pdf417_max_eci);
    if (!eci) return std::unexpected(eci.error());
    parsed.eci = *eci;
    auto modules = encode_micro_pdf417(bytes_of(data), parsed);
    if (!modules) return std::unexpected(modules.error());
    return Encoded{std::move(*modules), {}};
}

}  // namespace tavlo
