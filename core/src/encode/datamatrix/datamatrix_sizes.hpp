// The ECC 200 symbol sizes: ISO/IEC 16022 Table 7 (square and rectangular) and ISO/IEC 21471 Table 7
// (extended rectangular, DMRE).
#pragma once

#include <array>
#include <cstdint>

namespace tavlo::datamatrix {

struct SymbolSize {
    std::uint16_t rows;            // symbol height in modules, finder patterns included
    std::uint16_t columns;         // symbol width in modules; never less than rows
    std::uint16_t region_rows;     // data modules per region, vertically (region height without its border)
    std::uint16_t region_columns;  // data modules per region, horizontally
    std::uint16_t data_codewords;  // data capacity in codewords
    std::uint16_t block_ecc;       // error correction codewords of each Reed-Solomon block
    std::uint16_t blocks;          // interleaved blocks; data codeword i belongs to block i % blocks

    constexpr bool square() const { return rows == columns; }
    constexpr int vertical_regions() const { return rows / (region_rows + 2); }
    constexpr int horizontal_regions() const { return columns / (region_columns + 2); }
    // The mapping matrix: every data module of every region, borders left out.
    constexpr int mapping_rows() const { return vertical_regions() * region_rows; }
    constexpr int mapping_columns() const { return horizontal_regions() * region_columns; }
    constexpr int total_codewords() const { return data_codewords + block_ecc * blocks; }
};

// Ordered by data capacity, then by rows² + columns², the order in which the smallest fitting size is sought.
// clang-format off: one size a line
inline constexpr std::array<SymbolSize, 48> symbol_sizes{{
    {10, 10, 8, 8, 3, 5, 1},
    {12, 12, 10, 10, 5, 7, 1},
    {8, 18, 6, 16, 5, 7, 1},
    {14, 14, 12, 12, 8, 10, 1},
    {8, 32, 6, 14, 10, 11, 1},
    {16, 16, 14, 14, 12, 12, 1},
    {12, 26, 10, 24, 16, 14, 1},
    {18, 18, 16, 16, 18, 14, 1},
    {8, 48, 6, 22, 18, 15, 1},
    {20, 20, 18, 18, 22, 18, 1},
    {12, 36, 10, 16, 22, 18, 1},
    {8, 64, 6, 14, 24, 18, 1},
    {22, 22, 20, 20, 30, 20, 1},
    {16, 36, 14, 16, 32, 24, 1},
    {8, 80, 6, 18, 32, 22, 1},
    {24, 24, 22, 22, 36, 24, 1},
    {8, 96, 6, 22, 38, 28, 1},
    {12, 64, 10, 14, 43, 27, 1},
    {26, 26, 24, 24, 44, 28, 1},
    {20, 36, 18, 16, 44, 28, 1},
    {16, 48, 14, 22, 49, 28, 1},
    {8, 120, 6, 18, 49, 32, 1},
    {20, 44, 18, 20, 56, 34, 1},
    {32, 32, 14, 14, 62, 36, 1},
    {16, 64, 14, 14, 62, 36, 1},
    {8, 144, 6, 22, 63, 36, 1},
    {12, 88, 10, 20, 64, 36, 1},
    {26, 40, 24, 18, 70, 38, 1},
    {22, 48, 20, 22, 72, 38, 1},
    {24, 48, 22, 22, 80, 41, 1},
    {20, 64, 18, 14, 84, 42, 1},
    {36, 36, 16, 16, 86, 42, 1},
    {26, 48, 24, 22, 90, 42, 1},
    {24, 64, 22, 14, 108, 46, 1},
    {40, 40, 18, 18, 114, 48, 1},
    {26, 64, 24, 14, 118, 50, 1},
    {44, 44, 20, 20, 144, 56, 1},
    {48, 48, 22, 22, 174, 68, 1},
    {52, 52, 24, 24, 204, 42, 2},
    {64, 64, 14, 14, 280, 56, 2},
    {72, 72, 16, 16, 368, 36, 4},
    {80, 80, 18, 18, 456, 48, 4},
    {88, 88, 20, 20, 576, 56, 4},
    {96, 96, 22, 22, 696, 68, 4},
    {104, 104, 24, 24, 816, 56, 6},
    {120, 120, 18, 18, 1050, 68, 6},
    {132, 132, 20, 20, 1304, 62, 8},
    {144, 144, 22, 22, 1558, 62, 10},
}};
// clang-format on

// The largest capacity of all: 144x144.
inline constexpr int max_data_codewords = 1558;

// Every codeword fills eight modules of the mapping matrix; at most four modules are left over (the fixed
// corner pattern of sizes such as 12x12).
constexpr bool sizes_consistent() {
    for (const auto& size : symbol_sizes) {
        const int modules = size.mapping_rows() * size.mapping_columns();
        if (modules / 8 != size.total_codewords() || modules % 8 > 4) return false;
        if (size.vertical_regions() * (size.region_rows + 2) != size.rows) return false;
        if (size.horizontal_regions() * (size.region_columns + 2) != size.columns) return false;
    }
    return true;
}
static_assert(sizes_consistent());

}  // namespace tavlo::datamatrix
