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

// Stores a row of `size` bytes (at least 1) a 64-bit word at a time, left to right, from words of its dark pixels:
// a word holds eight bytes of the row, the leftmost pixel in its highest bit, and is stored highest byte first.
class RowWords {
public:
    RowWords(std::uint8_t* bytes, std::size_t size, std::uint32_t width, bool dark_bit)
        : bytes_(bytes), size_(size), width_(width), flip_(dark_bit ? 0 : ~std::uint64_t{0}) {}

    // The number of words, the last whole or not.
    std::size_t words() const { return last_ + 1; }
    // Where the next word goes.
    std::size_t at() const { return at_; }

    // Stores the next word (not the last).
    void put(std::uint64_t dark) {
        stored_ = dark ^ flip_;
        store_le64(bytes_ + 8 * at_++, std::byteswap(stored_));
    }
    // Stores the last word. The pixels past the width are 0 in either colour; the word's bytes are stored as the
    // end of the eight bytes that end the row, the bytes before them again as they were.
    void finish(std::uint64_t dark) {
        const std::uint64_t end = (dark ^ flip_) & ~std::uint64_t{0} << (64 - (width_ - last_ * 64));
        const std::size_t tail_bytes = size_ - 8 * last_;
        if (tail_bytes == 8) {
            store_le64(bytes_ + 8 * last_, std::byteswap(end));
        } else if (last_ > 0) {
            store_le64(bytes_ + size_ - 8, std::byteswap(stored_ << (8 * tail_bytes) | end >> (64 - 8 * tail_bytes)));
        } else {
            for (std::size_t i = 0; i < size_; ++i) bytes_[i] = static_cast<std::uint8_t>(end >> (56 - 8 * i));
        }
    }

private:
    std::uint8_t* bytes_;
    std::size_t size_;
    std::uint32_t width_;
    std::uint64_t flip_;  // dark is 0 in greyscale
    std::size_t last_ = (size_ - 1) / 8;
    std::size_t at_ = 0;
    std::uint64_t stored_ = 0;  // the word stored last, as stored
};

// Paints a row of `size` bytes (at least 1) a word at a time: a span sets bits in a word or two, where painting it
// byte by byte took two masked bytes and a memset call between them (a PDF417 label's rows: 16,300 instructions
// so, 10,700 this way).
inline void paint_row_in_words(std::span<const Span> dark, std::uint32_t width, bool dark_bit, std::uint8_t* bytes,
                               std::size_t size) {
    constexpr unsigned word_bits = 64;
    constexpr std::uint64_t all = ~std::uint64_t{0};
    RowWords row(bytes, size, width, dark_bit);
    std::uint64_t word = 0;  // the dark pixels of the word being painted, row.at()
    for (const Span& span : dark) {
        const std::uint32_t first = span.begin / word_bits, last = (span.end - 1) / word_bits;
        const std::uint64_t head = all >> (span.begin % word_bits);
        const std::uint64_t tail = all << (word_bits - 1 - (span.end - 1) % word_bits);
        for (; row.at() < first; word = 0) row.put(word);
        if (first == last) {
            word |= head & tail;
            continue;
        }
        row.put(word | head);
        while (row.at() < last) row.put(all);
        word = tail;
    }
    for (; row.at() + 1 < row.words(); word = 0) row.put(word);
    row.finish(word);
}

// A row of `width` pixels, light but for the `dark` spans (sorted, not overlapping); the bits that pad the last
// byte are 0.
inline void paint_row(std::span<const Span> dark, std::uint32_t width, bool dark_bit, std::uint8_t* bytes) {
    if (const std::uint64_t size = bit_row_bytes(width)) paint_row_in_words(dark, width, dark_bit, bytes, size);
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
