// Rows of a two-colour image packed one bit per pixel, the leftmost pixel in the highest bit of the first byte,
// as a 1-bit PNG stores them: dark dots set to `dark_bit` over a light row.
#pragma once

#include <bit>
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

// Rows up to this many bytes are painted in words (see paint_row): 4096 pixels, a label's width many times over.
inline constexpr std::size_t word_row_bytes = 512;

// Paints a row of `size` bytes (at least 1) a 64-bit word at a time, left to right: a word holds eight bytes of
// the row, the leftmost pixel in its highest bit, and is stored highest byte first once the spans have passed it.
// A span sets bits in a word or two, where painting it byte by byte took two masked bytes and a memset call
// between them (a PDF417 label's rows: 16,300 instructions so, 10,700 this way).
inline void paint_row_in_words(std::span<const Span> dark, std::uint32_t width, bool dark_bit, std::uint8_t* bytes,
                               std::size_t size) {
    constexpr unsigned word_bits = 64;
    constexpr std::uint64_t all = ~std::uint64_t{0};
    const std::uint64_t flip = dark_bit ? 0 : all;  // dark is 0 in greyscale
    const std::size_t last = (size - 1) / 8;       // the last word, whole or not
    std::size_t at = 0;                             // the word being painted, its bits in `word`
    std::uint64_t word = 0, stored = 0;             // and the one before it, as stored
    const auto next_word = [&] {
        stored = word ^ flip;
        store_le64(bytes + 8 * at++, std::byteswap(stored));
        word = 0;
    };
    for (const Span& span : dark) {
        const std::uint32_t first = span.begin / word_bits, end_word = (span.end - 1) / word_bits;
        const std::uint64_t head = all >> (span.begin % word_bits);
        const std::uint64_t tail = all << (word_bits - 1 - (span.end - 1) % word_bits);
        while (at < first) next_word();
        if (first == end_word) {
            word |= head & tail;
            continue;
        }
        word |= head;
        next_word();
        while (at < end_word) {
            word = all;
            next_word();
        }
        word = tail;
    }
    while (at < last) next_word();
    // The pixels past the width are 0 in either colour. The last word's bytes are stored as the end of the eight
    // bytes that end the row, the bytes before them again as they are.
    const std::uint64_t end = (word ^ flip) & all << (word_bits - (width - last * word_bits));
    const std::size_t tail_bytes = size - 8 * last;
    if (tail_bytes == 8) {
        store_le64(bytes + 8 * last, std::byteswap(end));
    } else if (last > 0) {
        store_le64(bytes + size - 8, std::byteswap(stored << (8 * tail_bytes) | end >> (word_bits - 8 * tail_bytes)));
    } else {
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(end >> (56 - 8 * i));
    }
}

// A row of `width` pixels, light but for the `dark` spans (sorted, not overlapping); the bits that pad the last
// byte are 0.
inline void paint_row(std::span<const Span> dark, std::uint32_t width, bool dark_bit, std::uint8_t* bytes) {
    const std::uint64_t size = bit_row_bytes(width);
    if (size == 0) return;
    if (size <= word_row_bytes) return paint_row_in_words(dark, width, dark_bit, bytes, size);
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
