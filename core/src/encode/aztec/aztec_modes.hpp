// The five character modes of Aztec Code and their code tables (ISO/IEC 24778 Table 3), with the latch
// sequences between them. A byte no mode holds goes by Binary Shift.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

namespace tavlo::aztec {

enum Mode : std::uint8_t { Upper, Lower, Mixed, Punct, Digit };
inline constexpr int mode_count = 5;

// Digit codes are 4 bits, the others 5.
constexpr unsigned code_bits(Mode mode) { return mode == Digit ? 4 : 5; }

// Control codes used by the encodation.
inline constexpr unsigned punct_shift = 0;     // P/S in Upper, Lower, Mixed and Digit; FLG(n) in Punct
inline constexpr unsigned binary_shift = 31;   // B/S in Upper, Lower and Mixed
inline constexpr unsigned lower_upper_shift = 28;  // U/S in Lower
inline constexpr unsigned digit_upper_shift = 15;  // U/S in Digit

// The code of each byte in each mode, -1 where the mode lacks it.
struct CodeTable {
    std::array<std::array<std::int8_t, 256>, mode_count> code{};

    constexpr CodeTable() {
        for (auto& row : code) row.fill(-1);
        code[Upper][' '] = code[Lower][' '] = code[Mixed][' '] = code[Digit][' '] = 1;
        for (int c = 0; c < 26; ++c) {
            code[Upper]['A' + c] = std::int8_t(2 + c);
            code[Lower]['a' + c] = std::int8_t(2 + c);
        }
        for (int c = 1; c <= 13; ++c) code[Mixed][c] = std::int8_t(c + 1);  // ^A to ^M
        for (int c = 27; c <= 31; ++c) code[Mixed][c] = std::int8_t(c - 12);  // ^[ to ^_
        constexpr char mixed_rest[] = "@\\^_`|~\x7f";
        for (int k = 0; mixed_rest[k] != 0; ++k) code[Mixed][std::uint8_t(mixed_rest[k])] = std::int8_t(20 + k);
        code[Punct]['\r'] = 1;
        constexpr char punct_rest[] = "!\"#$%&'()*+,-./:;<=>?[]{}";
        for (int k = 0; punct_rest[k] != 0; ++k) code[Punct][std::uint8_t(punct_rest[k])] = std::int8_t(6 + k);
        for (int c = 0; c < 10; ++c) code[Digit]['0' + c] = std::int8_t(2 + c);
        code[Digit][','] = 12;
        code[Digit]['.'] = 13;
    }
};
inline constexpr CodeTable code_table{};

// Punct codes 2 to 5 stand for two bytes each: CR LF, ". ", ", ", ": ". -1 for any other pair.
constexpr int punct_pair(std::uint8_t first, std::uint8_t second) {
    if (first == '\r' && second == '\n') return 2;
    if (second != ' ') return -1;
    return first == '.' ? 3 : first == ',' ? 4 : first == ':' ? 5 : -1;
}

// The cheapest codes that latch from one mode to another (ISO/IEC 24778 Table 4 and the paths through it):
// Lower reaches Upper through Digit (D/L U/L, 9 bits), Punct is left only for Upper.
struct Latch {
    std::uint8_t count = 0;                 // codes in the sequence, 0 for a mode to itself
    std::uint8_t bits = 0;                  // their total width
    std::array<std::uint8_t, 3> codes{};    // each written in the width of the mode it is read in
    std::array<std::uint8_t, 3> widths{};
};

constexpr Latch latch_of(std::initializer_list<std::uint8_t> codes, std::initializer_list<std::uint8_t> widths) {
    Latch latch;
    for (auto c : codes) latch.codes[latch.count++] = c;
    std::size_t k = 0;
    for (auto w : widths) {
        latch.widths[k++] = w;
        latch.bits = std::uint8_t(latch.bits + w);
    }
    return latch;
}

// latches[from][to]. The codes: U/L 29 (Mixed), 31 (Punct), 14 (Digit); L/L 28; M/L 29; P/L 30 (Mixed);
// D/L 30.
inline constexpr std::array<std::array<Latch, mode_count>, mode_count> latches = {{
    {{{}, latch_of({28}, {5}), latch_of({29}, {5}), latch_of({29, 30}, {5, 5}), latch_of({30}, {5})}},
    {{latch_of({30, 14}, {5, 4}), {}, latch_of({29}, {5}), latch_of({29, 30}, {5, 5}), latch_of({30}, {5})}},
    {{latch_of({29}, {5}), latch_of({28}, {5}), {}, latch_of({30}, {5}), latch_of({29, 30}, {5, 5})}},
    {{latch_of({31}, {5}), latch_of({31, 28}, {5, 5}), latch_of({31, 29}, {5, 5}), {}, latch_of({31, 30}, {5, 5})}},
    {{latch_of({14}, {4}), latch_of({14, 28}, {4, 5}), latch_of({14, 29}, {4, 5}), latch_of({14, 29, 30}, {4, 5, 5}), {}}},
}};

}  // namespace tavlo::aztec
