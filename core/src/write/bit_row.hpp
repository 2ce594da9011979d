// Rows of a two-colour image packed one bit per pixel, the leftmost pixel in the highest bit of the first byte,
// as a 1-bit PNG stores them: dark dots set to `dark_bit` over a light row.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

#include "../little_endian.hpp"
#include "png_writer.hpp"

namespace tavlo::png {

// The bytes of a row `width` pixels wide.
constexpr std::uint64_t bit_row_bytes(std::uint64_t width) { return (width + 7) / 8; }

// Paints the pixels [begin, end) (begin < end) dark.
inline void paint_span(std::uint8_t* bytes, std::uint32_t begin, std::uint32_t end, bool dark_bit) {
    const auto paint = [dark_bit](std::uint8_t& byte, unsigned mask) {
        byte = static_cast<std::uint8_t>(dark_bit ? byte | mask : byte & ~mask);
    };
    const std::uint32_t first = begin / 8, last = (end - 1) / 8;
    const unsigned head = 0xffu >> (begin % 8), tail = 0xffu << (7 - (end - 1) % 8) & 0xff;
    if (first == last) return paint(bytes[first], head & tail);
    paint(bytes[first], head);
    std::memset(bytes + first + 1, dark_bit ? 0xff : 0x00, last - first - 1);
    paint(bytes[last], tail);
}

// Paints `bits` (a set bit for each dark pixel) over `bytes`.
inline void paint_bits(std::uint8_t* bytes, std::span<const std::uint8_t> bits, bool dark_bit) {
    if (dark_bit) {
        for (std::size_t i = 0; i < bits.size(); ++i) bytes[i] |= bits[i];
    } else {
        for (std::size_t i = 0; i < bits.size(); ++i) bytes[i] &= static_cast<std::uint8_t>(~bits[i]);
    }
}

// Paints the set bits of `bits` over the eight bytes from `at`, the first byte's bits in the lowest eight.
inline void paint_word(std::uint8_t* at, std::uint64_t bits, bool dark_bit) {
    const std::uint64_t word = load_le64(at);
    store_le64(at, dark_bit ? word | bits : word & ~bits);
}

// A row of `width` pixels, light but for the `dark` spans (sorted, not overlapping); the bits that pad the last
// byte are 0.
inline void paint_row(std::span<const Span> dark, std::uint32_t width, bool dark_bit, std::uint8_t* bytes) {
    const std::uint64_t size = bit_row_bytes(width);
    std::memset(bytes, dark_bit ? 0x00 : 0xff, size);
    for (const Span& span : dark) paint_span(bytes, span.begin, span.end, dark_bit);
    if (const unsigned pad = (8 - width % 8) % 8) bytes[size - 1] &= static_cast<std::uint8_t>(0xff << pad);
}

// The spans of set bits in the first `width` pixels of `bits`, left to right.
template <class Visit>
void for_each_set_span(const std::uint8_t* bits, std::uint32_t width, Visit&& visit) {
    const auto set = [bits](std::uint32_t x) { return bits[x / 8] >> (7 - x % 8) & 1; };
    for (std::uint32_t x = 0; x < width;) {
        if (!set(x)) {
            ++x;
            continue;
        }
        const std::uint32_t begin = x;
        while (x < width && set(x)) ++x;
        visit(Span{begin, x});
    }
}

}  // namespace tavlo::png
