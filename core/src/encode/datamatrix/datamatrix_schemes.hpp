// The encodation schemes of ECC 200 (ISO/IEC 16022 5.2) that both planners and the writer share: their
// codewords, character sets and values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "../../ascii.hpp"

namespace tavlo::datamatrix {

// Codewords of ISO/IEC 16022 Table 2.
constexpr std::uint8_t pad_codeword = 129;
constexpr std::uint8_t digit_pair_base = 130;
constexpr std::uint8_t latch_c40 = 230;
constexpr std::uint8_t latch_base256 = 231;
constexpr std::uint8_t fnc1 = 232;
constexpr std::uint8_t structured_append = 233;
constexpr std::uint8_t upper_shift = 235;
constexpr std::uint8_t macro05 = 236;
constexpr std::uint8_t macro06 = 237;
constexpr std::uint8_t latch_x12 = 238;
constexpr std::uint8_t latch_text = 239;
constexpr std::uint8_t eci = 241;
constexpr std::uint8_t latch_edifact = 240;
constexpr std::uint8_t unlatch = 254;
constexpr std::uint8_t edifact_unlatch = 31;

// The six encodation schemes. Both planners and the writer speak of these; a planner state adds to its scheme
// the values still waiting for their C40/Text/X12 triple or EDIFACT quadruple.
enum class Scheme : std::uint8_t { Ascii, C40, Text, X12, Edifact, Base256 };
inline constexpr int scheme_count = 6;

constexpr int index(Scheme s) { return int(s); }
constexpr bool is_triple(Scheme s) { return s == Scheme::C40 || s == Scheme::Text || s == Scheme::X12; }

// Codewords that the return to ASCII takes from `scheme` with `open_values` values waiting: C40, Text and X12
// unlatch only at a triple boundary; EDIFACT packs the open values with the unlatch value into whole codewords;
// ASCII and Base 256 need nothing (a Base 256 segment ends by its length). -1 where no unlatch is possible.
constexpr int unlatch_cost(Scheme scheme, int open_values) {
    switch (scheme) {
    case Scheme::Ascii:
    case Scheme::Base256: return 0;
    case Scheme::Edifact: return open_values < 3 ? open_values + 1 : 3;  // (6 * (values + 1) + 7) / 8 bytes
    default: return open_values == 0 ? 1 : -1;
    }
}

constexpr int infinity = std::numeric_limits<int>::max() / 4;
constexpr int longest_short_base256 = 249;

using ascii::is_digit;
constexpr bool is_x12(std::uint8_t b) {
    return b == '\r' || b == '*' || b == '>' || b == ' ' || is_digit(b) || (b >= 'A' && b <= 'Z');
}
constexpr bool is_edifact(std::uint8_t b) { return b >= 32 && b <= 94; }

// C40 (text false) and Text values of one byte, ISO/IEC 16022 Annex C: basic set one value, shift sets two,
// bytes above 127 an Upper Shift (Shift 2, 30) before the values of the byte less 128. Returns the count.
int c40_values(std::uint8_t b, bool text, std::uint8_t* out);

constexpr int c40_value_count(std::uint8_t b, bool text) {
    int count = 0;
    if (b >= 128) {
        count = 2;
        b = std::uint8_t(b - 128);
    }
    const bool basic = b == ' ' || is_digit(b) || (text ? (b >= 'a' && b <= 'z') : (b >= 'A' && b <= 'Z'));
    return count + (basic ? 1 : 2);
}

constexpr std::uint8_t x12_value(std::uint8_t b) {
    switch (b) {
    case '\r': return 0;
    case '*': return 1;
    case '>': return 2;
    case ' ': return 3;
    default: return std::uint8_t(is_digit(b) ? b - '0' + 4 : b - 'A' + 14);
    }
}

// ASCII codewords of data[i, end): digit pairs taken greedily, which is optimal within ASCII.
int ascii_cost(std::span<const std::uint8_t> data, std::size_t i);

void append_ascii(std::span<const std::uint8_t> data, std::size_t i, std::size_t end, std::vector<std::uint8_t>& out);

// The 255-state algorithm of Base 256 (ISO/IEC 16022 Annex B.1); `position` counts codewords from 1.
constexpr std::uint8_t randomise_255(int value, std::size_t position) {
    return std::uint8_t((value + int(149 * position % 255) + 1) & 0xFF);
}

// The 253-state algorithm of the pads (ISO/IEC 16022 Annex B.1.1).
constexpr std::uint8_t randomise_253(std::size_t position) {
    const int value = pad_codeword + int(149 * position % 253) + 1;
    return std::uint8_t(value <= 254 ? value : value - 254);
}

}  // namespace tavlo::datamatrix
