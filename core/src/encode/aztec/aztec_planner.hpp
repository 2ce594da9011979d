// The Aztec encodation: the fewest bits that carry a byte string, found by shortest path over the five
// character modes and Binary Shift.
#pragma once

#include <cstdint>
#include <span>

#include "aztec_bits.hpp"

namespace tavlo::aztec {

// Appends the encodation of `data` to `out`, which the decoder reads starting in Upper mode. Every path the
// modes, their shifts and latches, the Punct pairs and Binary Shift runs allow is weighed; the one written
// has the fewest bits.
void append_encodation(std::span<const std::uint8_t> data, BitString& out);

}  // namespace tavlo::aztec
