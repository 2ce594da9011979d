// QR Code symbol drawing: function patterns, codeword placement, masking and the mask's choice.
#pragma once

#include <cstdint>
#include <span>

#include <optional>

#include "tavlo/encode_qr_family.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo::qr {

// The complete symbol of version, in [1, 40], from its interleaved codewords, with the format information of
// level, under `only_mask` or else the mask of lowest penalty.
MatrixGeometry draw_symbol(int version, std::span<const std::uint8_t> codewords, QrLevel level = QrLevel::M,
                           std::optional<unsigned> only_mask = std::nullopt);

}  // namespace tavlo::qr
