// PDF417 symbols (ISO/IEC 15438): codewords, size, error correction and rows.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "../../assert.hpp"
#include "pdf417_patterns.hpp"
#include "pdf417_plan.hpp"
#include "pdf417_reed_solomon.hpp"
#include "pdf417_rows.hpp"
#include "tavlo/encode_pdf417.hpp"

namespace tavlo {
namespace {

using namespace pdf417;

// A symbol holds at most 928 codewords, the length descriptor and check codewords included.
constexpr std::uint32_t max_codewords = 928;

// Start and stop patterns (ISO/IEC 15438 clause 4.3): 17 and 18 modules; truncated PDF417 stops with one bar.
constexpr std::uint32_t start_pattern = 0x1FEA8;
constexpr std::uint32_t stop_pattern = 0x3FA29;
constexpr unsigned stop_modules = 18;
constexpr std::uint32_t full_overhead = 4 * codeword_modules + 1;      // start, two indicators, stop
constexpr std::uint32_t compact_overhead = 2 * codeword_modules + 1;   // start, left indicator, one bar

// Macro PDF417 control block codewords (ISO/IEC 15438 annex on Macro PDF417).
constexpr std::uint16_t macro_block = 928;
constexpr std::uint16_t macro_terminator = 922;
constexpr std::uint32_t segment_index_offset = 100000;  // the index is read as numeric compaction of 5 digits
constexpr std::uint16_t pad_codeword = 900;

TavloError error(const std::string& message) { return TavloError::encoding("PDF417 " + message); }

// The least level ISO/IEC 15438 recommends for a count of data codewords (table of recommended levels).
std::uint32_t recommended_level(std::size_t data_codewords) {
    if (data_codewords <= 40) return 2;
    if (data_codewords <= 160) return 3;
    if (data_codewords <= 320) return 4;
    return 5;
}

Result<void> append_macro_block(const Pdf417Options& options, std::vector<std::uint16_t>& out) {
    const std::uint32_t index = *options.segment_index;
    if (index > pdf417_max_segment_index)
        return std::unexpected(error("segment_index must be 0 to 99998, got " + std::to_string(index)));
    const std::string& id = options.file_id.empty() ? std::string("000") : options.file_id;
    if (id.size() % 3 != 0 || !std::ranges::all_of(id, [](char c) { return c >= '0' && c <= '9'; }))
        return std::unexpected(error("file_id must be digits in groups of three, got '" + id + "'"));
    out.push_back(macro_block);
    const std::uint32_t number = segment_index_offset + index;
    out.insert(out.end(), {std::uint16_t(number / 900), std::uint16_t(number % 900)});
    for (std::size_t i = 0; i < id.size(); i += 3) {
        const int value = std::stoi(id.substr(i, 3));
        if (value >= 900) return std::unexpected(error("file_id groups must be 000 to 899, got '" + id.substr(i, 3) + "'"));
        out.push_back(std::uint16_t(value));
    }
    if (options.last_segment) out.push_back(macro_terminator);
    return {};
}

struct Size {
    std::uint32_t columns, rows;
};

// Whether `columns` by `rows` holds `total` codewords within the 928 a symbol can have.
bool holds(std::uint32_t columns, std::uint32_t rows, std::uint32_t total) {
    return rows >= pdf417_min_rows && rows <= pdf417_max_rows && columns * rows >= total && columns * rows <= max_codewords;
}

std::uint32_t rows_for(std::uint32_t columns, std::uint32_t total) {
    return std::max(pdf417_min_rows, (total + columns - 1) / columns);
}

Result<Size> choose_size(const Pdf417Options& options, std::uint32_t total) {
    const auto refuse = [&](const std::string& where) {
        return std::unexpected(error("data does not fit in " + where + ": " + std::to_string(total) + " codewords"));
    };
    if (options.columns && options.rows) {
        if (!holds(*options.columns, *options.rows, total))
            return refuse(std::to_string(*options.columns) + " columns and " + std::to_string(*options.rows) + " rows");
        return Size{*options.columns, *options.rows};
    }
    if (options.columns) {
        const std::uint32_t rows = rows_for(*options.columns, total);
        if (!holds(*options.columns, rows, total)) return refuse(std::to_string(*options.columns) + " columns");
        return Size{*options.columns, rows};
    }
    if (options.rows) {
        for (std::uint32_t columns = std::max(1u, (total + *options.rows - 1) / *options.rows); columns <= pdf417_max_columns; ++columns)
            if (holds(columns, *options.rows, total)) return Size{columns, *options.rows};
        return refuse(std::to_string(*options.rows) + " rows");
    }
    // About three codewords down for one across: with rows three modules high and a codeword 17 modules wide,
    // the symbol comes out some three times as wide as high, as a printed PDF417 usually is. Near the most a
    // symbol holds, the columns nearest that whose rows keep within 928 codewords.
    // Outwards from the preferred columns, fewer before more at the same distance.
    const auto preferred = std::int64_t(std::lround(std::sqrt(total / 3.0)));
    for (std::int64_t distance = 0; distance < 2 * std::int64_t(pdf417_max_columns); ++distance)
        for (const std::int64_t columns : {preferred - distance, preferred + distance}) {
            if (columns < 1 || columns > std::int64_t(pdf417_max_columns)) continue;
            const std::uint32_t rows = rows_for(std::uint32_t(columns), total);
            if (holds(std::uint32_t(columns), rows, total)) return Size{std::uint32_t(columns), rows};
        }
    return refuse("any size");
}

Result<void> check_options(const Pdf417Options& options) {
    if (options.error_correction && *options.error_correction > pdf417_max_error_correction)
        return std::unexpected(error("error_correction must be 0 to 8, got " + std::to_string(*options.error_correction)));
    if (options.columns && (*options.columns < 1 || *options.columns > pdf417_max_columns))
        return std::unexpected(error("columns must be 1 to 30, got " + std::to_string(*options.columns)));
    if (options.rows && (*options.rows < pdf417_min_rows || *options.rows > pdf417_max_rows))
        return std::unexpected(error("rows must be 3 to 90, got " + std::to_string(*options.rows)));
    if (options.eci && *options.eci > pdf417_max_eci)
        return std::unexpected(error("eci must be 0 to 811799, got " + std::to_string(*options.eci)));
    if (options.row_height < 1) return std::unexpected(error("row height must be at least 1"));
    if (!options.segment_index && (!options.file_id.empty() || options.last_segment))
        return std::unexpected(error("file_id and last_segment need a segment_index"));
    return {};
}

}  // namespace

Result<MatrixGeometry> encode_pdf417(std::span<const std::uint8_t> data, const Pdf417Options& options) {
    if (auto checked = check_options(options); !checked) return std::unexpected(checked.error());
    // No byte takes less than a third of a codeword: longer data is refused before it is planned.
    if (data.size() > 3 * max_codewords)
        return std::unexpected(error("data too long: " + std::to_string(data.size()) + " bytes"));

    std::vector<std::uint16_t> codewords;
    codewords.reserve(max_codewords);
    codewords.push_back(0);  // the length descriptor, known once the size is
    if (options.eci) append_eci(*options.eci, codewords);
    compact(data, codewords);
    std::vector<std::uint16_t> macro;
    if (options.segment_index)
        if (auto block = append_macro_block(options, macro); !block) return std::unexpected(block.error());
    const std::uint32_t data_count = std::uint32_t(codewords.size() + macro.size());

    std::uint32_t level = options.error_correction.value_or(recommended_level(data_count));
    if (!options.error_correction)
        while (level > 0 && data_count + (2u << level) > max_codewords) --level;
    const std::uint32_t check_count = 2u << level;
    if (data_count + check_count > max_codewords)
        return std::unexpected(error("data too long: " + std::to_string(data_count) + " data codewords, at most " +
                                     std::to_string(max_codewords - check_count) + " fit at error correction level " +
                                     std::to_string(level)));
    auto size = choose_size(options, data_count + check_count);
    if (!size) return std::unexpected(size.error());
    const auto [columns, rows] = *size;

    // Pad codewords come between the data and the Macro PDF417 control block, which ends the data.
    const std::uint32_t data_region = columns * rows - check_count;
    codewords.resize(data_region - macro.size(), pad_codeword);
    codewords.insert(codewords.end(), macro.begin(), macro.end());
    codewords[0] = std::uint16_t(data_region);
    codewords.resize(columns * rows);
    error_correction(std::span(codewords).first(data_region), std::span(codewords).subspan(data_region));

    const std::uint32_t width = columns * codeword_modules + (options.compact ? compact_overhead : full_overhead);
    MatrixGeometry geometry = empty_symbol(width, rows, options.row_height);
    // Row indicators (ISO/IEC 15438 clause 4.4.6): by cluster, the rows, the level and the columns.
    const std::uint32_t row_info = (rows - 1) / 3, level_info = level * 3 + (rows - 1) % 3, column_info = columns - 1;
    for (std::uint32_t r = 0; r < rows; ++r) {
        const std::uint32_t cluster = r % 3, base = (r / 3) * 30;
        const std::uint32_t left = base + (cluster == 0 ? row_info : cluster == 1 ? level_info : column_info);
        const std::uint32_t right = base + (cluster == 0 ? column_info : cluster == 1 ? row_info : level_info);
        RowWriter row(symbol_row(geometry, r, options.row_height));
        row.put(start_pattern, codeword_modules);
        row.put(codeword_bits(cluster, left), codeword_modules);
        for (std::uint32_t c = 0; c < columns; ++c) row.put(codeword_bits(cluster, codewords[r * columns + c]), codeword_modules);
        if (options.compact) {
            row.put(1, 1);
        } else {
            row.put(codeword_bits(cluster, right), codeword_modules);
            row.put(stop_pattern, stop_modules);
        }
        TAVLO_ASSERT(row.position() == symbol_row(geometry, r, options.row_height) + width);
    }
    repeat_rows(geometry, options.row_height);
    return geometry;
}

}  // namespace tavlo
