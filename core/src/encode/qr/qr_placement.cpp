#include "qr_placement.hpp"

#include "../../assert.hpp"

namespace tavlo::qr {

void place_zigzag(Grid& grid, unsigned first_right, std::span<const std::uint8_t> bits, std::size_t bit_count) {
    std::size_t i = 0;
    bool upward = true;
    for (int right = int(first_right); right >= 0 && i < bit_count; right -= 2, upward = !upward) {
        for (unsigned step = 0; step < grid.height; ++step) {
            const unsigned row = upward ? grid.height - 1 - step : step;
            for (int column = right; column > right - 2 && column >= 0; --column) {
                const std::size_t at = row * grid.width + unsigned(column);
                if (grid.function[at] || i >= bit_count) continue;
                grid.modules[at] = (bits[i >> 3] >> (7 - (i & 7))) & 1;
                ++i;
            }
        }
    }
    TAVLO_ASSERT(i == bit_count);
}

}  // namespace tavlo::qr
