#include "rmqr_symbol.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "qr_placement.hpp"

namespace tavlo::rmqr {
namespace {

// Format information (ISO/IEC 23941 7.9): the level bit and the size indicator, BCH(18,6) with generator
// 0x1F25, XORed with one mask beside the finder and another beside the sub-finder.
constexpr std::uint32_t finder_side_mask = 0x1FAB2;
constexpr std::uint32_t sub_finder_side_mask = 0x20A7B;

constexpr std::uint32_t format_word(bool high, unsigned size_index) {
    const std::uint32_t data = std::uint32_t(high) << 5 | size_index;
    std::uint32_t remainder = data;
    for (int i = 0; i < 12; ++i) remainder = (remainder << 1) ^ ((remainder >> 11) * 0x1F25);
    return data << 12 | remainder;
}

// Modules of the format information beside the finder: bit k < 15 at row 1 + k % 5, column 8 + k / 5, then
// bits 15-17 down column 11 from row 1. Beside the sub-finder the same block lies at rows h - 6 to h - 2,
// columns w - 8 to w - 6, and bits 15-17 along row h - 6 from column w - 5.
struct Cell {
    unsigned row, column;
};
Cell finder_side_cell(unsigned k) { return k < 15 ? Cell{1 + k % 5, 8 + k / 5} : Cell{k - 14, 11}; }
Cell sub_finder_side_cell(unsigned k, unsigned h, unsigned w) {
    return k < 15 ? Cell{h - 6 + k % 5, w - 8 + k / 5} : Cell{h - 6, w - 5 + (k - 15)};
}
constexpr unsigned format_bits = 18;

// Function patterns in the order their overlaps need: timing first, the rest drawn over it.
qr::Grid function_patterns(unsigned h, unsigned w) {
    qr::Grid grid(w, h);
    for (unsigned c = 0; c < w; ++c) {
        grid.set_function(0, c, c % 2 == 0);
        grid.set_function(h - 1, c, c % 2 == 0);
    }
    for (unsigned r = 0; r < h; ++r) {
        grid.set_function(r, 0, r % 2 == 0);
        grid.set_function(r, w - 1, r % 2 == 0);
    }
    // Finder: rings 0, 1 and 3 from its centre dark.
    for (unsigned r = 0; r < 7; ++r)
        for (unsigned c = 0; c < 7; ++c)
            grid.set_function(r, c, std::max(std::abs(int(r) - 3), std::abs(int(c) - 3)) != 2);
    // Sub-finder: 5 x 5, rings 0 and 2 dark, centred three modules in from the bottom right corner.
    for (unsigned r = 0; r < 5; ++r)
        for (unsigned c = 0; c < 5; ++c)
            grid.set_function(h - 5 + r, w - 5 + c, std::max(std::abs(int(r) - 2), std::abs(int(c) - 2)) != 1);
    // Corner patterns at the bottom left and top right.
    grid.set_function(h - 2, 0, true);
    grid.set_function(h - 2, 1, false);
    grid.set_function(h - 1, 1, true);
    grid.set_function(0, w - 2, true);
    grid.set_function(1, w - 2, false);
    grid.set_function(1, w - 1, true);
    // Separator right of the finder, and below it when the symbol is taller than the finder.
    for (unsigned r = 0; r < 7; ++r) grid.set_function(r, 7, false);
    if (h > 7)
        for (unsigned c = 0; c < 8; ++c) grid.set_function(7, c, false);
    // Alignment columns: timing down the column, 3 x 3 rings at its top and bottom.
    for (unsigned column : alignment_columns(w)) {
        for (unsigned r = 0; r < h; ++r) grid.set_function(r, column, r % 2 == 0);
        for (unsigned r : {1u, 2u, h - 3, h - 2}) {
            grid.set_function(r, column - 1, true);
            grid.set_function(r, column + 1, true);
        }
    }
    for (unsigned k = 0; k < format_bits; ++k) {
        const Cell a = finder_side_cell(k), b = sub_finder_side_cell(k, h, w);
        grid.set_function(a.row, a.column, false);
        grid.set_function(b.row, b.column, false);
    }
    return grid;
}

// What every symbol of a size shares: the function patterns, the module of each data bit in placement order,
// and the data mask as a module XOR (1 on the non-function modules it inverts). Made once a size, on first use.
struct SizeTemplate {
    qr::Grid grid;
    std::vector<qr::ModuleIndex> data_cells;
    std::vector<std::uint8_t> mask;

    explicit SizeTemplate(const Size& size)
        : grid(function_patterns(size.height, size.width)),
          data_cells(qr::zigzag_cells(grid, size.width - 2u)),
          mask(grid.modules.size()) {
        const unsigned w = size.width;
        // ISO/IEC 23941 7.8: the one data mask, (i div 2 + j div 3) mod 2 = 0.
        for (unsigned i = 0; i < size.height; ++i)
            for (unsigned j = 0; j < w; ++j) mask[i * w + j] = !grid.function[i * w + j] && (i / 2 + j / 3) % 2 == 0;
    }
};

constexpr std::size_t size_count = 32;

const SizeTemplate& template_of(const Size& size, unsigned size_index) {
    static std::array<std::once_flag, size_count> made;
    static std::array<std::unique_ptr<const SizeTemplate>, size_count> templates;
    std::call_once(made[size_index], [&] { templates[size_index] = std::make_unique<const SizeTemplate>(size); });
    return *templates[size_index];
}

}  // namespace

MatrixGeometry draw_symbol(const Size& size, unsigned size_index, bool high, std::span<const std::uint8_t> codewords) {
    const unsigned h = size.height, w = size.width;
    const SizeTemplate& shared = template_of(size, size_index);
    std::vector<std::uint8_t> modules = shared.grid.modules;
    qr::place_bits(modules, shared.data_cells, codewords, codewords.size() * 8);
    for (std::size_t k = 0; k < modules.size(); ++k) modules[k] ^= shared.mask[k];
    const std::uint32_t word = format_word(high, size_index);
    for (unsigned k = 0; k < format_bits; ++k) {
        const Cell a = finder_side_cell(k), b = sub_finder_side_cell(k, h, w);
        modules[a.row * w + a.column] = ((word ^ finder_side_mask) >> k) & 1;
        modules[b.row * w + b.column] = ((word ^ sub_finder_side_mask) >> k) & 1;
    }
    return MatrixGeometry{w, h, std::move(modules)};
}

}  // namespace tavlo::rmqr
