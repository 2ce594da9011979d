// Micro QR Code symbol drawing (ISO/IEC 18004 6.3, 7.7, 7.8, 7.9): one finder, timing along the top row and
// left column, the four Micro QR masks chosen by their edge score, and the format information.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "tavlo/geometry.hpp"

namespace tavlo::micro_qr {

// The symbol of version, in [1, 4] for M1 to M4 (11 to 17 modules a side), holding `bit_count` bits of
// `bits` (data bits then check codewords), its format information naming `symbol_number` (Table 13: 0 for
// M1 up to 7 for M4-Q), under `only_mask` or else the mask of highest score.
MatrixGeometry draw_symbol(int version, std::span<const std::uint8_t> bits, std::size_t bit_count,
                           unsigned symbol_number, std::optional<unsigned> only_mask);

// The score of ISO/IEC 18004 7.8.3.2 of a masked symbol `size` modules a side: with SUM1 the dark modules of
// the right edge and SUM2 those of the bottom edge (timing modules excluded), SUM1 * 16 + SUM2 when
// SUM1 <= SUM2, else SUM2 * 16 + SUM1. Higher is better.
unsigned edge_score(unsigned size, std::span<const std::uint8_t> modules);

}  // namespace tavlo::micro_qr
