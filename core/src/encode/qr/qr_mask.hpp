// QR Code data masking (ISO/IEC 18004 Table 10) and the choice of the mask by the four penalty rules.
#pragma once

#include <cstdint>
#include <span>

#include <optional>

#include "qr_lines.hpp"
#include "tavlo/encode_qr_family.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo::qr {

// A symbol drawn except for masking and format information.
struct Unmasked {
    unsigned size;                           // in [21, 177]
    // The modules by rows and by columns (bit pad + i of a line for module i, 1 = dark); format cells light.
    std::span<const Line> rows, columns;
    // The modules masking may reach, by rows and by columns (pack_rows of the function modules, inverted,
    // and its transpose): the same for every symbol of a version.
    std::span<const Line> open_rows, open_columns;
    // Both 15-bit copies of the format information, least significant bit first, then the dark module.
    std::span<const std::size_t, 31> format_cells;
};

// The penalty of a finished symbol of `size` modules a side (row-major, 1 = dark) under the four rules of
// ISO/IEC 18004 7.8.3, modulo 2^16 as the mask choice compares it.
std::uint16_t penalty_score(unsigned size, std::span<const std::uint8_t> modules);

// The symbol under each of the eight masks in turn (or under `only_mask`), each with its format information
// for level, scored; the first of the lowest score is returned.
MatrixGeometry apply_best_mask(const Unmasked& symbol, QrLevel level = QrLevel::M,
                               std::optional<unsigned> only_mask = std::nullopt);

}  // namespace tavlo::qr
