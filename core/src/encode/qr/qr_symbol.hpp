// QR Code symbol drawing: function patterns, codeword placement, masking and the mask's choice.
#pragma once

#include <cstdint>
#include <span>

#include "tavlo/geometry.hpp"

namespace tavlo::qr {

// The complete symbol of version, in [1, 40], from its interleaved codewords, under the mask of lowest penalty.
MatrixGeometry draw_symbol(int version, std::span<const std::uint8_t> codewords);

}  // namespace tavlo::qr
