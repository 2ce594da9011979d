// Module placement of ECC 200 (ISO/IEC 16022 Annex F) and the finder, timing and alignment patterns.
#pragma once

#include <cstdint>
#include <span>

#include "datamatrix_sizes.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo::datamatrix {

// `codewords` holds the size's data and error correction codewords, interleaved. Returns the whole symbol.
MatrixGeometry place_modules(std::span<const std::uint8_t> codewords, const SymbolSize& size);

}  // namespace tavlo::datamatrix
