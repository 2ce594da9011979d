// The Aztec encodation: the fewest bits that carry a byte string, found by shortest path over the five
// character modes and Binary Shift.
#pragma once

#include <cstdint>
#include <span>

#include "aztec_bits.hpp"

namespace tavlo::aztec {

// Which of the plans of the fewest bits is written, or a plan of a few bits more: bit stuffing (ISO/IEC 24778
// 7.3.1.2) can cost a plan of the fewest bits a codeword that another plan does not pay, so the encoder tries
// these when stuffing cost one (see encode_aztec).
struct PlanBias {
    bool later = false;           // among equal costs, the way weighed last rather than first
    unsigned binary_penalty = 0;  // bits counted (not written) for each run of bytes, in one or two Binary Shifts
};

// Appends the encodation of `data` to `out`, which the decoder reads starting in Upper mode. Every path the
// modes, their shifts and latches, the Punct pairs and Binary Shift runs allow is weighed; the one written
// has the fewest bits (with no bias).
void append_encodation(std::span<const std::uint8_t> data, BitString& out, PlanBias bias = {});

}  // namespace tavlo::aztec
