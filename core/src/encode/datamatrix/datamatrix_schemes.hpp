// The encodation schemes of ECC 200 (ISO/IEC 16022 5.2) that both planners share: their codewords, character
// sets and values, the planner states, and the writer of a plan's codewords.
#pragma once

#include <array>
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
constexpr std::uint8_t upper_shift = 235;
constexpr std::uint8_t macro05 = 236;
constexpr std::uint8_t macro06 = 237;
constexpr std::uint8_t latch_x12 = 238;
constexpr std::uint8_t latch_text = 239;
constexpr std::uint8_t latch_edifact = 240;
constexpr std::uint8_t unlatch = 254;
constexpr std::uint8_t edifact_unlatch = 31;

// Planner states. C40, Text and X12 carry the number of values waiting for their triple, EDIFACT the number of
// values waiting for their quadruple. Base 256 is two states: a segment of at most 249 bytes so far (one length
// byte) and a longer one (two length bytes).
enum State : std::uint8_t { A, C0, C1, C2, T0, T1, T2, X0, X1, X2, E0, E1, E2, E3, B1, B2, state_count };

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

constexpr State base_state(State s) {
    return s >= E0 && s <= E3 ? E0 : s >= X0 ? X0 : s >= T0 ? T0 : s >= C0 ? C0 : A;
}

// Writes a plan's codewords step by step, in the scheme of each step; both planners emit through it.
class Emitter {
public:
    Emitter(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out, int capacity)
        : data_(data), out_(out), capacity_(capacity) {}

    void latch(State to);
    void unlatch_to_ascii(State from);
    void character(std::size_t i, State mode);

    void digit_pair(std::size_t i) { append_ascii(data_, i, i + 2, out_); }

    // The segment [s, e); ending at the end of the data with nothing after it, the length may be written as 0
    // ("to the end of the symbol"): done when the symbol is exactly full that way and, for a long segment,
    // only when the explicit length would not fit.
    void base256(std::size_t s, std::size_t e, bool last);

    void pad_triple();

    std::size_t open_values() const { return values_count_; }
    void discard_open_values() { values_count_ = 0; }

private:
    void push_randomised(int value) { out_.push_back(randomise_255(value, out_.size() + 1)); }

    void flush_triples();

    // Four 6-bit values make three codewords; a shorter final group (ending in the unlatch) keeps only the
    // codewords its bits reach, the rest of the last one zero.
    void flush_edifact(bool partial);

    std::span<const std::uint8_t> data_;
    std::vector<std::uint8_t>& out_;
    int capacity_;
    std::array<std::uint8_t, 8> values_{};
    std::size_t values_count_ = 0;
};

}  // namespace tavlo::datamatrix
