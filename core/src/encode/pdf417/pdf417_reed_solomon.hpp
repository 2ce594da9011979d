// Reed-Solomon error correction over the prime field GF(929), which PDF417 and MicroPDF417 share
// (ISO/IEC 15438 annex on error correction codeword generation): the generator of k check codewords is
// (x - 3)(x - 3^2)...(x - 3^k), and the check codewords are the negated remainder of the data times x^k.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tavlo::pdf417 {

inline constexpr std::uint32_t field_prime = 929;
// PDF417 level 8 has 512 check codewords, the most of either symbology.
inline constexpr std::size_t max_check_codewords = 512;

// Writes the `check.size()` check codewords of `data` (every value below 929) into `check`, highest power
// first, as they follow the data in the symbol. check.size() in [1, max_check_codewords].
void error_correction(std::span<const std::uint16_t> data, std::span<std::uint16_t> check);

}  // namespace tavlo::pdf417
