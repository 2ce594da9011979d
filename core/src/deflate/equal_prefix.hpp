// Where two byte strings agree, compared many bytes at a time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "../little_endian.hpp"

#if defined(__SSE2__) && !defined(TAVLO_PORTABLE_BYTES)
#include <emmintrin.h>
#endif

namespace tavlo::deflate {

// The number of leading bytes, up to `limit`, before the first for which `differ(offset)` has a byte not 0:
// the eight bytes from `offset` compared, as a number whose lowest byte is the first. `same(offset)` compares
// one byte, for the last few.
template <class Differ, class Same>
std::size_t leading_agreement(std::size_t limit, Differ&& differ, Same&& same) {
    std::size_t length = 0;
    for (; length + 8 <= limit; length += 8) {
        if (const std::uint64_t d = differ(length); d != 0)
            return length + static_cast<std::size_t>(std::countr_zero(d)) / 8;
    }
    while (length < limit && same(length)) ++length;
    return length;
}

// The number of leading bytes, up to `limit`, that `a` and `b` share.
inline std::size_t equal_prefix(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
    return leading_agreement(
        limit, [=](std::size_t at) { return load_le64(a + at) ^ load_le64(b + at); },
        [=](std::size_t at) { return a[at] == b[at]; });
}

// The number of leading bytes, up to `limit`, of `at` that equal `value`.
inline std::size_t equal_run(const std::uint8_t* at, std::size_t limit, std::uint8_t value) {
    const std::uint64_t spread = value * std::uint64_t{0x0101010101010101};
    return leading_agreement(
        limit, [=](std::size_t i) { return load_le64(at + i) ^ spread; },
        [=](std::size_t i) { return at[i] == value; });
}

// Bit i set when a[i] == b[i], for the `width` (4 or 8) bytes from each, compared as one number: the high bit of
// each byte of their difference that is zero, then those bits gathered into one byte by a multiplication whose
// partial products never meet.
template <std::size_t width = 8>
std::uint32_t equal_bytes_word(const std::uint8_t* a, const std::uint8_t* b) {
    static_assert(width == 4 || width == 8);
    std::uint64_t x = 0, y = 0;  // the bytes past `width` equal
    std::memcpy(&x, a, width);
    std::memcpy(&y, b, width);
    if constexpr (std::endian::native == std::endian::big) x = std::byteswap(x), y = std::byteswap(y);
    const std::uint64_t d = x ^ y;
    constexpr std::uint64_t low7 = 0x7f7f7f7f7f7f7f7f;
    const std::uint64_t zero = ~(((d & low7) + low7) | d | low7);
    return static_cast<std::uint32_t>((zero >> 7) * 0x0102040810204080u >> 56) & ((1u << width) - 1);
}

// Bit i set when a[i] == b[i], for the 16 bytes from each.
// TAVLO_PORTABLE_BYTES compares without SSE2, as on other processors.
inline std::uint32_t equal_bytes16(const std::uint8_t* a, const std::uint8_t* b) {
#if defined(__SSE2__) && !defined(TAVLO_PORTABLE_BYTES)
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
#else
    return equal_bytes_word(a, b) | equal_bytes_word(a + 8, b + 8) << 8;
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
    // Fewer than 16 bytes (a row of a label under 128 pixels wide): two words, or two halves, that overlap.
    if (count >= 8) {
        return equal_bytes_word(a, b) | std::uint64_t{equal_bytes_word(a + count - 8, b + count - 8)} << (count - 8);
    }
    if (count >= 4) return equal_bytes_word<4>(a, b) | equal_bytes_word<4>(a + count - 4, b + count - 4) << (count - 4);
    for (; at < count; ++at) mask |= std::uint64_t{a[at] == b[at]} << at;
    return mask;
}

}  // namespace tavlo::deflate
