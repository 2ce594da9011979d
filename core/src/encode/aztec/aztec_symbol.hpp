// Drawing an Aztec symbol: the bullseye with its orientation marks, the mode message around it, the
// reference grid of full-range symbols, and the data layers spiralling inwards from the outermost.
#pragma once

#include "aztec_bits.hpp"
#include "aztec_sizes.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo::aztec {

// `layers` holds size.layer_bits() bits, `mode` the mode message of the size.
MatrixGeometry draw_symbol(const SymbolSize& size, const BitString& mode, const BitString& layers);

// An Aztec Rune: the compact bullseye and the 28 bits of its mode message, 11x11.
MatrixGeometry draw_rune(const BitString& mode);

}  // namespace tavlo::aztec
