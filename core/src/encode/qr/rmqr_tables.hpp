// rMQR sizes and codeword counts (ISO/IEC 23941 Tables 7 and 8), character-count widths (Table 3) and
// alignment columns (Annex D).
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace tavlo::rmqr {

struct Size {
    std::uint8_t height;                       // 7 to 17, odd
    std::uint8_t width;                        // 27 to 139
    std::uint8_t total_codewords;
    std::array<std::uint8_t, 2> data;          // data codewords at levels M and H
    std::array<std::uint8_t, 2> blocks;        // error-correction blocks at M and H
    std::array<std::uint8_t, 3> count_bits;    // numeric, alphanumeric, byte
};

// The 32 sizes R7x43 to R17x139 in the order of their size indicator (format information bits 0-4).
std::span<const Size> sizes();

// The indexes of the 32 sizes by area, and of equal areas (R7x99 and R9x77) the one with more data codewords at
// level M (high false) or H first: the order in which the smallest symbol that holds the data is looked for.
std::span<const std::uint8_t, 32> by_area(bool high);

// Columns of the alignment patterns' centres for a width (none for 27).
std::span<const std::uint8_t> alignment_columns(unsigned width);

}  // namespace tavlo::rmqr
