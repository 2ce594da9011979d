// The bit string the Aztec encodation writes and the codewords are cut from: most significant bit first,
// one bit per byte, so that stuffing and placement read bit i directly.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "../../assert.hpp"

namespace tavlo::aztec {

struct BitString {
    std::vector<std::uint8_t> bits;  // each 0 or 1

    // The low `count` bits of value, count in [0, 16], highest first.
    void put(unsigned value, unsigned count) {
        TAVLO_ASSERT(count <= 16 && (count == 16 || (value >> count) == 0));
        // One insertion a code rather than a push a bit: the encodation writes several thousand codes.
        std::array<std::uint8_t, 16> spread;
        for (unsigned k = 0; k < count; ++k) spread[k] = std::uint8_t((value >> (count - 1 - k)) & 1u);
        bits.insert(bits.end(), spread.begin(), spread.begin() + count);
    }
    std::size_t size() const { return bits.size(); }
};

}  // namespace tavlo::aztec
