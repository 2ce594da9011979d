// The bit string the Aztec encodation writes and the codewords are cut from: most significant bit first,
// one bit per byte, so that stuffing and placement read bit i directly.
#pragma once

#include <cstdint>
#include <vector>

#include "../../assert.hpp"

namespace tavlo::aztec {

struct BitString {
    std::vector<std::uint8_t> bits;  // each 0 or 1

    // The low `count` bits of value, count in [0, 16], highest first.
    void put(unsigned value, unsigned count) {
        TAVLO_ASSERT(count <= 16 && (count == 16 || (value >> count) == 0));
        for (unsigned k = count; k > 0; --k) bits.push_back(std::uint8_t((value >> (k - 1)) & 1u));
    }
    std::size_t size() const { return bits.size(); }
};

}  // namespace tavlo::aztec
