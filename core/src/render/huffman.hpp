// Length-limited Huffman codes as deflate stores them: code lengths from symbol counts, and the canonical
// codes those lengths give (RFC 1951, 3.2.2).
#pragma once

#include <cstdint>
#include <span>

namespace tavlo::deflate {

// The code length of each symbol, at most `limit` bits, 0 for a symbol of count 0. The code is complete
// (its lengths fill the code space exactly) whenever two or more symbols occur; a lone symbol gets 1 bit.
// At most 288 symbols.
void code_lengths(std::span<const std::uint64_t> counts, unsigned limit, std::span<std::uint8_t> lengths);

// The canonical code of each symbol of non-zero length, bit-reversed for a stream written from the least
// significant bit.
void canonical_codes(std::span<const std::uint8_t> lengths, std::span<std::uint16_t> codes);

}  // namespace tavlo::deflate
