// How far two byte strings agree, compared eight bytes at a time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tavlo::deflate {

// The number of leading bytes, up to `limit`, that `a` and `b` share.
inline std::size_t equal_prefix(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
    std::size_t length = 0;
    for (; length + 8 <= limit; length += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a + length, 8);
        std::memcpy(&y, b + length, 8);
        if (x == y) continue;
        // The first differing byte in memory: the lowest one on a little-endian machine.
        const std::uint64_t differ = x ^ y;
        const int bit = std::endian::native == std::endian::little ? std::countr_zero(differ) : std::countl_zero(differ);
        return length + static_cast<std::size_t>(bit) / 8;
    }
    while (length < limit && a[length] == b[length]) ++length;
    return length;
}

}  // namespace tavlo::deflate
