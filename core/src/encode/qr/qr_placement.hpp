// Codeword placement shared by Micro QR and rMQR: the two-module-wide zigzag of ISO/IEC 18004 7.7.3, from the
// bottom right, upward first, skipping function modules.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tavlo::qr {

// A symbol being drawn: modules and the function modules that placement and masking leave alone.
struct Grid {
    unsigned width, height;
    std::vector<std::uint8_t> modules;   // height * width, row-major, 1 = dark
    std::vector<std::uint8_t> function;  // 1 where a function pattern or format information lies

    Grid(unsigned w, unsigned h) : width(w), height(h), modules(w * h), function(w * h) {}

    void set_function(unsigned row, unsigned column, bool dark) {
        modules[row * width + column] = dark;
        function[row * width + column] = 1;
    }
};

// A module's place in a symbol, row * width + column: below 2^16 in every symbol of the family (QR Code 40
// has 177 * 177 modules), half the room of a 32-bit index in the placement orders kept for each size.
using ModuleIndex = std::uint16_t;

// The first `bit_count` bits of `bits` (most significant first) placed in column pairs whose right column
// starts at `first_right` and steps left by two; modules left over stay light.
void place_zigzag(Grid& grid, unsigned first_right, std::span<const std::uint8_t> bits, std::size_t bit_count);

// The modules place_zigzag fills, in the order it fills them (every module no function pattern holds): a
// size's placement worked out once, for place_bits.
std::vector<ModuleIndex> zigzag_cells(const Grid& grid, unsigned first_right);

// The first `bit_count` bits of `bits` (most significant first) set into `modules` at `cells` in turn, as
// place_zigzag sets them; at most cells.size() bits.
void place_bits(std::vector<std::uint8_t>& modules, std::span<const ModuleIndex> cells,
                std::span<const std::uint8_t> bits, std::size_t bit_count);

}  // namespace tavlo::qr
