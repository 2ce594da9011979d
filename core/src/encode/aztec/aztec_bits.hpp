// The bit string the Aztec encodation writes and the codewords are cut from: most significant bit first,
// one bit per byte, so that stuffing and placement read bit i directly.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "../../assert.hpp"

namespace tavlo::aztec {

// The 8 bits of each byte, one a byte, most significant first.
inline constexpr std::array<std::array<std::uint8_t, 8>, 256> spread_bits = [] {
    std::array<std::array<std::uint8_t, 8>, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte)
        for (unsigned k = 0; k < 8; ++k) table[byte][k] = std::uint8_t((byte >> (7 - k)) & 1);
    return table;
}();

struct BitString {
    std::vector<std::uint8_t> bits;  // each 0 or 1

    // The low `count` bits of value, count in [0, 16], highest first.
    void put(unsigned value, unsigned count) {
        TAVLO_ASSERT(count <= 16 && (count == 16 || (value >> count) == 0));
        // One insertion a code rather than a push a bit: the encodation writes several thousand codes.
        std::array<std::uint8_t, 16> spread;
        std::memcpy(spread.data(), spread_bits[(value >> 8) & 0xFF].data(), 8);
        std::memcpy(spread.data() + 8, spread_bits[value & 0xFF].data(), 8);
        bits.insert(bits.end(), spread.end() - count, spread.end());
    }
    std::size_t size() const { return bits.size(); }
};

}  // namespace tavlo::aztec
