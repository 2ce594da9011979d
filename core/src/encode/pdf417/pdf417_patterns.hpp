// The bar-space patterns of PDF417 and MicroPDF417 rows (ISO/IEC 15438 and ISO/IEC 24728).
#pragma once

#include <array>
#include <cstdint>

namespace tavlo::pdf417 {

// Codeword values are base 929: 0 to 928.
inline constexpr std::uint32_t codeword_count = 929;
// Every codeword pattern is 17 modules: four bars and four spaces.
inline constexpr std::uint32_t codeword_modules = 17;

// Per cluster (0, 3, 6 as 0, 1, 2) and codeword, the first 16 modules, most significant bit leftmost (1 = bar);
// the 17th module is always a space. Row r of a PDF417 symbol uses cluster r mod 3.
extern const std::array<std::array<std::uint16_t, codeword_count>, 3> codeword_patterns;

// A codeword's 17 modules as a 17-bit value, leftmost module in bit 16.
inline std::uint32_t codeword_bits(std::uint32_t cluster, std::uint32_t codeword) {
    return std::uint32_t{codeword_patterns[cluster][codeword]} << 1;
}

}  // namespace tavlo::pdf417
