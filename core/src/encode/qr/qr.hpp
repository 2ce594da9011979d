// The QR Code encoder shared by plain and GS1 symbols.
#pragma once

#include <string_view>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo::qr {

// Level M of the smallest version that holds `payload`; with `fnc1_first` a GS1 symbol whose payload is
// element strings separated by GS (0x1D).
Result<MatrixGeometry> encode_payload(std::string_view payload, bool fnc1_first);

}  // namespace tavlo::qr
