// The exact plan of ECC 200 data encodation: a dynamic program over the planner states that gives the fewest
// codewords for each symbol capacity, end-of-data shortcuts included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "datamatrix_schemes.hpp"

namespace tavlo::datamatrix {

// How the plan closes. The last three rely on the rules that a decoder returns to ASCII by itself before the
// last codeword of a C40/Text/X12 symbol and before the last one or two codewords of an EDIFACT symbol.
enum class Ending : std::uint8_t {
    Ascii,          // in ASCII (after any explicit unlatch), pads may follow
    TripleFull,     // C40/Text/X12 fill the symbol: no unlatch
    TriplePadded,   // two C40/Text values left and two codewords: a Shift 1 completes the triple
    TripleAscii,    // C40/Text/X12 one codeword before the end, the rest is one ASCII codeword
    EdifactAscii,   // EDIFACT with one or two codewords left: the rest (if any) in ASCII, no unlatch
    Base256Full,    // a long Base 256 segment that fills the symbol only with the length written as 0
};

struct Plan {
    std::span<const std::uint8_t> data;
    std::vector<int> cost;                 // [position * state_count + state], codewords written so far
    std::vector<std::int32_t> from;        // predecessor position
    std::vector<std::uint8_t> from_state;  // predecessor state

    int& at(std::size_t i, int s) { return cost[i * state_count + s]; }

    // Ties go to the later candidate, except that a latch never displaces an equal plan already in the scheme.
    void relax(std::size_t i, int s, int value, std::size_t prev, int prev_state, bool replace_equal = true) {
        const std::size_t k = i * state_count + s;
        if (value < cost[k] || (replace_equal && value == cost[k])) {
            cost[k] = value;
            from[k] = std::int32_t(prev);
            from_state[k] = std::uint8_t(prev_state);
        }
    }

    void run(int start);
};

struct Choice {
    int total = infinity;
    std::size_t position = 0;
    State state = A;
    Ending ending = Ending::Ascii;
};

// The fewest codewords for capacity `capacity`, among the plain end and the standard's end-of-data shortcuts.
Choice choose_end(Plan& plan, int capacity);

void emit(Plan& plan, const Choice& choice, int capacity, std::vector<std::uint8_t>& out);

}  // namespace tavlo::datamatrix
