// Length-limited Huffman codes as deflate stores them: code lengths from symbol counts, and the canonical
// codes those lengths give (RFC 1951, 3.2.2).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tavlo::deflate {

// A Huffman code for symbols used `counts` times: each symbol's code length, at most `limit` bits, and its
// canonical code, bit-reversed for a stream written from the least significant bit; 0 and 0 for an unused
// symbol. The code is complete (its lengths fill the code space exactly) whenever two or more symbols occur;
// a lone symbol gets a 1-bit code. At most 288 symbols.
void huffman_code(std::span<const std::uint64_t> counts, unsigned limit, std::span<std::uint8_t> lengths,
                  std::span<std::uint16_t> codes);

// Calls `visit(symbol)` for each symbol whose count is not 0, in order. Counts are looked at eight at a time
// and eight unused symbols passed over together: an image uses a few of deflate's 286 literals and lengths.
template <class Visit>
void for_each_used(std::span<const std::uint64_t> counts, Visit&& visit) {
    for (std::size_t group = 0; group < counts.size(); group += 8) {
        const std::size_t end = group + 8 < counts.size() ? group + 8 : counts.size();
        std::uint64_t any = 0;
        for (std::size_t s = group; s < end; ++s) any |= counts[s];
        if (any == 0) continue;
        for (std::size_t s = group; s < end; ++s) {
            if (counts[s] != 0) visit(static_cast<unsigned>(s));
        }
    }
}

// The canonical codes of given code lengths, bit-reversed; symbols of length 0 keep their code.
void canonical_codes(std::span<const std::uint8_t> lengths, std::span<std::uint16_t> codes);

}  // namespace tavlo::deflate
