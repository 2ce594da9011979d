#include "qr_placement.hpp"

#include "../../assert.hpp"

namespace tavlo::qr {

void place_zigzag(Grid& grid, unsigned first_right, std::span<const std::uint8_t> bits, std::size_t bit_count) {
    place_bits(grid.modules, zigzag_cells(grid, first_right), bits, bit_count);
}

std::vector<ModuleIndex> zigzag_cells(const Grid& grid, unsigned first_right) {
    TAVLO_ASSERT(grid.modules.size() <= std::size_t(1) << 16);
    std::vector<ModuleIndex> cells;
    cells.reserve(grid.modules.size());
    bool upward = true;
    for (int right = int(first_right); right >= 0; right -= 2, upward = !upward) {
        for (unsigned step = 0; step < grid.height; ++step) {
            const unsigned row = upward ? grid.height - 1 - step : step;
            for (int column = right; column > right - 2 && column >= 0; --column) {
                const auto at = ModuleIndex(row * grid.width + unsigned(column));
                if (!grid.function[at]) cells.push_back(at);
            }
        }
    }
    return cells;
}

void place_bits(std::vector<std::uint8_t>& modules, std::span<const ModuleIndex> cells,
                std::span<const std::uint8_t> bits, std::size_t bit_count) {
    TAVLO_ASSERT(bit_count <= cells.size() && bit_count <= bits.size() * 8);
    // A byte at a time, its eight bits unrolled: a bit's shift was most of the cost of a small symbol's
    // placement.
    std::uint8_t* const out = modules.data();
    const ModuleIndex* cell = cells.data();
    std::size_t i = 0;
    for (; i + 8 <= bit_count; i += 8, cell += 8) {
        const unsigned byte = bits[i >> 3];
        for (unsigned k = 0; k < 8; ++k) out[cell[k]] = std::uint8_t((byte >> (7 - k)) & 1);
    }
    for (; i < bit_count; ++i) out[cells[i]] = (bits[i >> 3] >> (7 - (i & 7))) & 1;
}

}  // namespace tavlo::qr
