// MicroPDF417 symbols (ISO/IEC 24728): one of 34 sizes, rows between row address patterns instead of start,
// stop and row indicators, no length descriptor.
#include <algorithm>
#include <array>
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

// One size (ISO/IEC 24728 table of symbol sizes, and the tables of row address patterns and clusters by size):
// the data columns, rows, check codewords, where the left, centre and right row address patterns start
// (1 to 52) and the first row's cluster (0, 3 or 6).
struct MicroSize {
    std::uint8_t columns, rows, check;
    std::uint8_t left, centre, right, cluster;
};
constexpr std::array<MicroSize, 34> sizes = {{
    {1, 11, 7, 1, 0, 9, 0},    {1, 14, 7, 8, 0, 8, 3},    {1, 17, 7, 36, 0, 36, 6},  {1, 20, 8, 19, 0, 19, 0},
    {1, 24, 8, 9, 0, 17, 6},   {1, 28, 8, 25, 0, 33, 0},  {2, 8, 8, 1, 0, 1, 0},     {2, 11, 9, 1, 0, 9, 0},
    {2, 14, 9, 8, 0, 8, 3},    {2, 17, 10, 36, 0, 36, 6}, {2, 20, 11, 19, 0, 19, 0}, {2, 23, 13, 9, 0, 17, 6},
    {2, 26, 15, 27, 0, 35, 6}, {3, 6, 12, 1, 1, 1, 0},    {3, 8, 14, 7, 7, 7, 0},    {3, 10, 16, 15, 15, 15, 6},
    {3, 12, 18, 25, 25, 25, 0}, {3, 15, 21, 37, 37, 37, 0}, {3, 20, 26, 1, 17, 33, 0}, {3, 26, 32, 1, 9, 17, 0},
    {3, 32, 38, 21, 29, 37, 6}, {3, 38, 44, 15, 31, 47, 6}, {3, 44, 50, 1, 25, 49, 0}, {4, 4, 8, 47, 19, 43, 3},
    {4, 6, 12, 1, 1, 1, 0},    {4, 8, 14, 7, 7, 7, 0},    {4, 10, 16, 15, 15, 15, 6}, {4, 12, 18, 25, 25, 25, 0},
    {4, 15, 21, 37, 37, 37, 0}, {4, 20, 26, 1, 17, 33, 0}, {4, 26, 32, 1, 9, 17, 0},  {4, 32, 38, 21, 29, 37, 6},
    {4, 38, 44, 15, 31, 47, 6}, {4, 44, 50, 1, 25, 49, 0},
}};

// Row address patterns (ISO/IEC 24728 table of row address patterns): 10 modules each, 52 of them, used in
// turn from row to row; the side patterns flank a row, the centre one stands inside a 3 or 4 column row.
constexpr std::uint32_t rap_modules = 10;
constexpr std::uint32_t rap_count = 52;
constexpr std::array<std::uint16_t, rap_count> side_raps = {
    0x322, 0x3A2, 0x3B2, 0x332, 0x372, 0x37A, 0x33A, 0x3BA, 0x39A, 0x3DA, 0x3CA, 0x38A, 0x30A,
    0x31A, 0x312, 0x392, 0x3D2, 0x3D6, 0x3D4, 0x394, 0x3B4, 0x3A4, 0x3A6, 0x3AE, 0x3AC, 0x3A8,
    0x328, 0x32C, 0x32E, 0x326, 0x336, 0x3B6, 0x396, 0x316, 0x314, 0x334, 0x374, 0x364, 0x366,
    0x36E, 0x36C, 0x368, 0x348, 0x358, 0x35C, 0x35E, 0x34E, 0x34C, 0x344, 0x346, 0x342, 0x362};
constexpr std::array<std::uint16_t, rap_count> centre_raps = {
    0x2CE, 0x24E, 0x26E, 0x22E, 0x226, 0x236, 0x216, 0x212, 0x21A, 0x23A, 0x232, 0x222, 0x262,
    0x272, 0x27A, 0x2FA, 0x2F2, 0x2F6, 0x276, 0x274, 0x264, 0x266, 0x246, 0x242, 0x2C2, 0x2E2,
    0x2E6, 0x2E4, 0x2EC, 0x26C, 0x22C, 0x228, 0x268, 0x2E8, 0x2C8, 0x2CC, 0x2C4, 0x2C6, 0x286,
    0x28E, 0x28C, 0x29C, 0x298, 0x2B8, 0x2B0, 0x290, 0x2D0, 0x250, 0x258, 0x25C, 0x2DC, 0x2DE};

constexpr std::uint16_t pad_codeword = 900;

constexpr std::uint32_t capacity(const MicroSize& size) { return std::uint32_t(size.columns) * size.rows - size.check; }

// Modules across: the side patterns, the codewords, the centre pattern of 3 and 4 columns, one stop bar.
constexpr std::uint32_t width(const MicroSize& size) {
    return 2 * rap_modules + size.columns * codeword_modules + (size.columns >= 3 ? rap_modules : 0) + 1;
}

TavloError error(const std::string& message) { return TavloError::encoding("MicroPDF417 " + message); }

// The size of least area (modules across times rows) that holds `count` data codewords, with `columns` when
// given; fewer columns on a tie.
const MicroSize* smallest(std::uint32_t count, std::optional<std::uint32_t> columns) {
    const MicroSize* best = nullptr;
    for (const MicroSize& size : sizes) {
        if (capacity(size) < count || (columns && size.columns != *columns)) continue;
        if (!best || width(size) * size.rows < width(*best) * best->rows) best = &size;
    }
    return best;
}

}  // namespace

Result<MatrixGeometry> encode_micro_pdf417(std::span<const std::uint8_t> data, const MicroPdf417Options& options) {
    if (options.columns && (*options.columns < 1 || *options.columns > micro_pdf417_max_columns))
        return std::unexpected(error("columns must be 1 to 4, got " + std::to_string(*options.columns)));
    if (options.eci && *options.eci > pdf417_max_eci)
        return std::unexpected(error("eci must be 0 to 811799, got " + std::to_string(*options.eci)));
    if (options.row_height < 1) return std::unexpected(error("row height must be at least 1"));
    constexpr std::uint32_t most = 126;  // 4 columns by 44 rows less 50 check codewords
    // No byte takes less than a third of a codeword: longer data is refused before it is planned.
    if (data.size() > 3 * most) return std::unexpected(error("data too long: " + std::to_string(data.size()) + " bytes"));

    std::vector<std::uint16_t> codewords;
    codewords.reserve(4 * 44);  // the most codewords of any size
    if (options.eci) append_eci(*options.eci, codewords);
    compact(data, codewords);
    const std::uint32_t count = std::uint32_t(codewords.size());
    const MicroSize* size = smallest(count, options.columns);
    if (!size) {
        std::uint32_t fits = 0;
        for (const MicroSize& s : sizes)
            if (!options.columns || s.columns == *options.columns) fits = std::max(fits, capacity(s));
        return std::unexpected(error("data too long: " + std::to_string(count) + " data codewords, at most " +
                                     std::to_string(fits) + " fit" +
                                     (options.columns ? " in " + std::to_string(*options.columns) + " columns" : "")));
    }

    const std::uint32_t data_region = capacity(*size);
    codewords.resize(data_region, pad_codeword);
    codewords.resize(data_region + size->check);
    error_correction(std::span(codewords).first(data_region), std::span(codewords).subspan(data_region));

    const std::uint32_t columns = size->columns;
    MatrixGeometry geometry = empty_symbol(width(*size), size->rows, options.row_height);
    for (std::uint32_t r = 0; r < size->rows; ++r) {
        // The patterns and the cluster move on by one each row, the patterns wrapping from 52 to 1.
        const std::uint32_t left = (size->left - 1 + r) % rap_count, right = (size->right - 1 + r) % rap_count;
        const std::uint32_t centre = (size->centre + rap_count - 1 + r) % rap_count;  // 1 and 2 columns: unused
        const std::uint32_t cluster = (size->cluster / 3 + r) % 3;
        const std::uint16_t* row_codewords = codewords.data() + r * columns;
        RowWriter row(symbol_row(geometry, r, options.row_height));
        row.put(side_raps[left], rap_modules);
        // The centre pattern follows the first codeword of 3 columns and the second of 4.
        const std::uint32_t centre_after = columns == 3 ? 1 : columns == 4 ? 2 : columns;
        for (std::uint32_t c = 0; c < columns; ++c) {
            if (c == centre_after) row.put(centre_raps[centre], rap_modules);
            row.put(codeword_bits(cluster, row_codewords[c]), codeword_modules);
        }
        row.put(side_raps[right], rap_modules);
        row.put(1, 1);
        TAVLO_ASSERT(row.position() == symbol_row(geometry, r, options.row_height) + geometry.width);
    }
    repeat_rows(geometry, options.row_height);
    return geometry;
}

}  // namespace tavlo
