// Length-limited Huffman codes as deflate stores them: code lengths from symbol counts, and the canonical
// codes those lengths give (RFC 1951, 3.2.2).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace tavlo::deflate {

// A Huffman code for symbols used `counts` times: each symbol's code length, at most `limit` bits, and its
// canonical code, bit-reversed for a stream written from the least significant bit; 0 and 0 for an unused
// symbol. The code is complete (its lengths fill the code space exactly) whenever two or more symbols occur;
// a lone symbol gets a 1-bit code. At most 288 symbols.
void huffman_code(std::span<const std::uint64_t> counts, unsigned limit, std::span<std::uint8_t> lengths,
                  std::span<std::uint16_t> codes);

// The same code, given the symbols whose count is not 0 in increasing order, `used`: sets the lengths and codes
// of those symbols only, and leaves the others' as they are. A block's image uses a few dozen of deflate's 316
// symbols, so the code is built over them alone. `limit` is at most 15.
void huffman_code(std::span<const std::uint64_t> counts, std::span<const std::uint16_t> used, unsigned limit,
                  std::span<std::uint8_t> lengths, std::span<std::uint16_t> codes);

// Writes the symbols whose count is not 0 to `used`, in increasing order, and returns how many. Whether a
// symbol is used is close to random, so the counts are made into a mask of the used, 64 symbols at a time,
// without a branch: a branch per symbol, mispredicted about as often as not, took a third of the time a
// small label's codes took to build.
inline std::size_t used_symbols(std::span<const std::uint64_t> counts, std::uint16_t* used) {
    constexpr std::size_t word = 64;
    std::size_t n = 0;
    for (std::size_t base = 0; base < counts.size(); base += word) {
        const std::size_t end = base + word < counts.size() ? base + word : counts.size();
        std::uint64_t mask = 0;
        for (std::size_t s = base; s < end; ++s) mask |= std::uint64_t{counts[s] != 0} << (s - base);
        for (; mask != 0; mask &= mask - 1) used[n++] = static_cast<std::uint16_t>(base + std::countr_zero(mask));
    }
    return n;
}

// Writes the symbols whose count is not 0 to `used`, in increasing order, and returns how many, given `seen`: 1
// for each symbol that may be used and for every symbol used, else 0, in a multiple of eight bytes. A block's
// tokens mark the symbols they use as they are recorded, and eight marks are gathered into eight bits by one
// multiplication, so only the few dozen marked are looked at: in a MicroPDF417 label's block, 2,800 instructions
// looked at all 316 counts, 620 look at the marked, for a store per token.
inline std::size_t used_symbols(std::span<const std::uint64_t> counts, std::span<const std::uint8_t> seen,
                                std::uint16_t* used) {
    std::size_t n = 0;
    for (std::size_t base = 0; base < seen.size(); base += 8) {
        std::uint64_t marks;
        std::memcpy(&marks, seen.data() + base, sizeof marks);
        if constexpr (std::endian::native == std::endian::big) marks = std::byteswap(marks);
        // Byte i's low bit lands in bit 56 + i, the partial products never meeting.
        for (std::uint64_t mask = marks * 0x0102040810204080 >> 56; mask != 0; mask &= mask - 1) {
            const std::size_t s = base + static_cast<std::size_t>(std::countr_zero(mask));
            if (counts[s] != 0) used[n++] = static_cast<std::uint16_t>(s);
        }
    }
    return n;
}

// The canonical codes of given code lengths, bit-reversed; symbols of length 0 keep their code.
void canonical_codes(std::span<const std::uint8_t> lengths, std::span<std::uint16_t> codes);

}  // namespace tavlo::deflate
