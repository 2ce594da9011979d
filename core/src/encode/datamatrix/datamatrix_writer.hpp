// The end-of-data rules of ECC 200 and the writer of a planned route. Both planners count the end of a route
// with close() and hand the writer the Close it returned, so what is counted is what is written.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "datamatrix_schemes.hpp"

namespace tavlo::datamatrix {

// How a route closes. The shortcuts rely on the rules that a decoder returns to ASCII by itself before the last
// codeword of a C40/Text/X12 symbol and once fewer than three codewords remain in EDIFACT.
enum class Ending : std::uint8_t {
    Plain,         // nothing to add: ASCII, Base 256, or C40/Text/X12 groups that fill the symbol exactly
    Unlatch,       // C40/Text/X12: the unlatch codeword; EDIFACT: the open values packed with the unlatch value
    UnlatchAscii,  // C40/Text/X12: the unlatch, then the characters of the open values in ASCII
    TripleAscii,   // C40/Text/X12 one codeword before the end: the rest is that one ASCII codeword, no unlatch
    TriplePadded,  // two C40/Text values open and two codewords left: a Shift 1 value completes the triple
    EdifactAscii,  // EDIFACT with at most two codewords left: the rest in ASCII, no unlatch
};

// Where a route stands once its last step is taken.
struct OpenEnd {
    Scheme scheme = Scheme::Ascii;
    int codewords = 0;          // complete codewords so far
    int open_values = 0;        // C40/Text/X12 or EDIFACT values waiting for their group; -1: none are held
                                // (the characters from `boundary` on are not taken by the route)
    std::size_t boundary = 0;   // the first character that no complete codeword holds
    int tail = -1;              // ASCII codewords of the characters from `boundary` on; -1 when a character's
                                // C40/Text values straddle the last complete triple
    bool long_base256 = false;  // an open Base 256 segment with a two-byte length
};

struct Close {
    int total = infinity;  // codewords before the pads
    Ending ending = Ending::Plain;
    Scheme scheme = Scheme::Ascii;
    std::size_t boundary = 0;
};

// The shortest way to close `end` in a symbol of `capacity` data codewords; empty when none fits.
std::optional<Close> close(const OpenEnd& end, int capacity);

// One step of a route: the character at `position` (two for an ASCII digit pair) encoded in `scheme`.
struct Step {
    std::uint32_t position;
    Scheme scheme;
    std::uint8_t taken;
};

struct Route {
    std::vector<Step> steps;  // in data order, the scheme changes implied between them
    Close close;
};

// Appends the route's codewords to `out` (which holds the FNC1/Macro codewords, if any): exactly
// route.close.total codewords in all.
void write_route(std::span<const std::uint8_t> data, const Route& route, int capacity, std::vector<std::uint8_t>& out);

}  // namespace tavlo::datamatrix
