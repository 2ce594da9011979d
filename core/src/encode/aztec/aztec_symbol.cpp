#include "aztec_symbol.hpp"

#include <vector>

namespace tavlo::aztec {
namespace {

class Grid {
public:
    explicit Grid(std::uint32_t side) { geometry_ = {side, side, std::vector<std::uint8_t>(std::size_t(side) * side, 0)}; }
    void set(std::uint32_t row, std::uint32_t column, std::uint8_t dark = 1) {
        geometry_.modules[std::size_t(row) * geometry_.width + column] = dark;
    }
    MatrixGeometry take() { return std::move(geometry_); }

private:
    MatrixGeometry geometry_;
};

// The finder (ISO/IEC 24778 6.2): dark squares at even distances from the centre out to `radius` - 1 (5 for
// compact, 7 for full range, where the mode message ring lies), and the orientation marks in the mode
// message ring's corners: three modules at the top left, two at the top right, one at the bottom right.
void draw_bullseye(Grid& grid, std::uint32_t centre, std::uint32_t radius) {
    for (std::uint32_t d = 0; d < radius; d += 2)
        for (std::uint32_t k = centre - d; k <= centre + d; ++k) {
            grid.set(centre - d, k);
            grid.set(centre + d, k);
            grid.set(k, centre - d);
            grid.set(k, centre + d);
        }
    const std::uint32_t low = centre - radius, high = centre + radius;
    grid.set(low, low);
    grid.set(low, low + 1);
    grid.set(low + 1, low);
    grid.set(low, high);
    grid.set(low + 1, high);
    grid.set(high - 1, high);
}

// The mode message runs clockwise from the top left of its ring, a quarter on each side: compact 7 bits a
// side, full range 10 a side with the reference grid's centre line skipped.
void draw_mode_message(Grid& grid, std::uint32_t centre, bool compact, const BitString& mode) {
    const std::uint32_t radius = compact ? 5 : 7;
    const std::uint32_t per_side = compact ? 7 : 10;
    for (std::uint32_t i = 0; i < per_side; ++i) {
        const std::uint32_t offset = compact ? centre - 3 + i : centre - 5 + i + i / 5;
        grid.set(centre - radius, offset, mode.bits[i]);
        grid.set(offset, centre + radius, mode.bits[i + per_side]);
        grid.set(centre + radius, offset, mode.bits[3 * per_side - 1 - i]);
        grid.set(offset, centre - radius, mode.bits[4 * per_side - 1 - i]);
    }
}

// Full range (ISO/IEC 24778 6.3): lines through the centre and every 16 modules out from it, in both
// directions, alternating dark and light with the centre dark.
void draw_reference_grid(Grid& grid, std::uint32_t side, std::uint32_t base_side) {
    const std::uint32_t centre = side / 2;
    for (std::uint32_t i = 0, j = 0; i < base_side / 2 - 1; i += 15, j += 16)
        for (std::uint32_t k = centre & 1; k < side; k += 2) {
            grid.set(k, centre - j);
            grid.set(k, centre + j);
            grid.set(centre - j, k);
            grid.set(centre + j, k);
        }
}

}  // namespace

MatrixGeometry draw_symbol(const SymbolSize& size, const BitString& mode, const BitString& layers) {
    const std::uint32_t side = size.side();
    const std::uint32_t base = size.base_side();
    TAVLO_ASSERT(layers.size() == size.layer_bits());
    // Placement counts modules without the grid lines; `position` maps such a count to the real row or column.
    std::vector<std::uint32_t> position(base);
    const std::uint32_t centre = side / 2;
    if (size.compact) {
        for (std::uint32_t i = 0; i < base; ++i) position[i] = i;
    } else {
        const std::uint32_t base_centre = base / 2;
        for (std::uint32_t i = 0; i < base_centre; ++i) {
            const std::uint32_t shifted = i + i / 15;
            position[base_centre - i - 1] = centre - shifted - 1;
            position[base_centre + i] = centre + shifted + 1;
        }
    }
    Grid grid(side);
    // Layer i (0 outermost) is a ring two modules wide; its bits go down the left side, along the bottom, up
    // the right and back along the top, in pairs across the ring.
    const auto& bits = layers.bits;
    std::size_t at = 0;
    for (std::uint32_t i = 0; i < std::uint32_t(size.layers); ++i) {
        const std::uint32_t run = std::uint32_t(size.layers - int(i)) * 4 + (size.compact ? 9 : 12);
        const std::uint32_t near = 2 * i, far = base - 1 - 2 * i;
        for (std::uint32_t j = 0; j < run; ++j)
            for (std::uint32_t k = 0; k < 2; ++k) {
                grid.set(position[near + j], position[near + k], bits[at + 2 * j + k]);
                grid.set(position[far - k], position[near + j], bits[at + 2 * run + 2 * j + k]);
                grid.set(position[far - j], position[far - k], bits[at + 4 * run + 2 * j + k]);
                grid.set(position[near + k], position[far - j], bits[at + 6 * run + 2 * j + k]);
            }
        at += 8 * run;
    }
    if (!size.compact) draw_reference_grid(grid, side, base);
    draw_bullseye(grid, centre, size.compact ? 5 : 7);
    draw_mode_message(grid, centre, size.compact, mode);
    return grid.take();
}

MatrixGeometry draw_rune(const BitString& mode) {
    constexpr std::uint32_t rune_side = 11;
    Grid grid(rune_side);
    draw_bullseye(grid, rune_side / 2, 5);
    draw_mode_message(grid, rune_side / 2, true, mode);
    return grid.take();
}

}  // namespace tavlo::aztec
