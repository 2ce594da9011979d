// Where two byte strings agree, compared many bytes at a time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && !defined(TAVLO_PORTABLE_BYTES)
#include <emmintrin.h>
#endif

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

// The number of leading bytes, up to `limit`, of `at` that equal `value`.
inline std::size_t equal_run(const std::uint8_t* at, std::size_t limit, std::uint8_t value) {
    const std::uint64_t spread = value * std::uint64_t{0x0101010101010101};
    std::size_t length = 0;
    for (; length + 8 <= limit; length += 8) {
        std::uint64_t x;
        std::memcpy(&x, at + length, 8);
        if (x == spread) continue;
        const std::uint64_t differ = x ^ spread;
        const int bit = std::endian::native == std::endian::little ? std::countr_zero(differ) : std::countl_zero(differ);
        return length + static_cast<std::size_t>(bit) / 8;
    }
    while (length < limit && at[length] == value) ++length;
    return length;
}

// Bit i set when a[i] == b[i], for the 16 bytes from each.
// TAVLO_PORTABLE_BYTES compares without SSE2, as on other processors.
inline std::uint32_t equal_bytes16(const std::uint8_t* a, const std::uint8_t* b) {
#if defined(__SSE2__) && !defined(TAVLO_PORTABLE_BYTES)
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
#else
    std::uint32_t mask = 0;
    for (int half = 0; half < 2; ++half) {
        std::uint64_t x, y;
        std::memcpy(&x, a + 8 * half, 8);
        std::memcpy(&y, b + 8 * half, 8);
        std::uint64_t d = x ^ y;  // byte i of the string in bits 8i to 8i + 7
        if constexpr (std::endian::native == std::endian::big) d = std::byteswap(d);
        // The high bit of each byte of d that is zero, then those eight bits gathered into one byte.
        constexpr std::uint64_t low7 = 0x7f7f7f7f7f7f7f7f;
        const std::uint64_t zero = ~(((d & low7) + low7) | d | low7);
        mask |= static_cast<std::uint32_t>((zero >> 7) * 0x0102040810204080u >> 56) << (8 * half);
    }
    return mask;
#endif
}

// Bit i set when a[i] == b[i], for i < count (at most 64); only the bytes [0, count) of each are read.
inline std::uint64_t equal_bytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t count) {
    std::uint64_t mask = 0;
    std::size_t at = 0;
    for (; at + 16 <= count; at += 16) mask |= std::uint64_t{equal_bytes16(a + at, b + at)} << at;
    if (at == count) return mask;
    if (count >= 16) {
        // The last sixteen bytes again, overlapping those done: their bits agree.
        const std::size_t from = count - 16;
        return mask | std::uint64_t{equal_bytes16(a + from, b + from)} << from;
    }
    for (; at < count; ++at) mask |= std::uint64_t{a[at] == b[at]} << at;
    return mask;
}

}  // namespace tavlo::deflate
