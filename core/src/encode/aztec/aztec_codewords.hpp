// From the encodation's bits to a symbol's codewords: bit stuffing, padding and Reed-Solomon check words.
#pragma once

#include <cstdint>
#include <vector>

#include "aztec_bits.hpp"
#include "aztec_sizes.hpp"

namespace tavlo::aztec {

// Cuts `bits` into codewords of `word_size` bits (ISO/IEC 24778 7.3.1.2): a word whose first word_size - 1
// bits are all equal gets the opposite bit as its last and the bit it would have held starts the next word;
// the last word is padded with ones, stuffed the same way. At least one codeword, even for no bits.
std::vector<std::uint16_t> stuffed_codewords(const BitString& bits, unsigned word_size);

// All of the symbol's layer bits: the bits the codeword width leaves over (zero) first, then the data
// codewords and the check codewords that fill the rest, each most significant bit first.
BitString layer_bits(const std::vector<std::uint16_t>& data, const SymbolSize& size);

// The 28 (compact) or 40 (full range) bits of the mode message: layers - 1 and data codewords - 1, with
// their GF(16) check words.
BitString mode_message(const SymbolSize& size, unsigned data_codewords);

// The mode message of an Aztec Rune: `value` in place of the counts, every other bit inverted.
BitString rune_message(unsigned value);

}  // namespace tavlo::aztec
