#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "datamatrix_schemes.hpp"

namespace tavlo::datamatrix {

// The preferred plan. For every position and scheme it keeps a single partial encodation: the smallest, where
// values still waiting for their C40/Text/X12 triple count 2/3 of a codeword each and those waiting for their
// EDIFACT quadruple 3/4, and where an open Base 256 segment that would reach 250 bytes by running to the end of
// the data already counts its second length codeword. Every scheme may open the symbol without a change being
// counted. Each step changes scheme (or not) and encodes the next character (two for an ASCII digit pair); among
// equally small candidates the one with fewer scheme changes stays, then the one met last in `step_order`.
// These choices settle ties the same way every time and favour long runs in one scheme. One partial per scheme
// is not always the fewest codewords (a scheme entered a character later can close a group earlier), so the
// exact plan decides whether the preferred one may be used.

enum Scheme : std::uint8_t { Ascii, C40, Text, X12, Edifact, Base256, scheme_count };

struct Partial {
    std::int32_t codewords = -1;  // complete codewords written; -1 when no plan reaches this state
    std::uint16_t bytes = 0;      // Base 256: bytes of the open segment
    std::uint16_t switches = 0;   // scheme changes so far
    std::uint8_t pending = 0;     // values waiting for their triple (C40/Text/X12) or quadruple (EDIFACT)
    Scheme from = Ascii;          // scheme of the step before
    std::uint8_t step = 0;        // characters taken by the last step: 1, or 2 for an ASCII digit pair

    bool reached() const { return codewords >= 0; }
};

class PreferredPlan {
public:
    PreferredPlan(std::span<const std::uint8_t> data, int start);

    const Partial& cell(std::size_t i, Scheme s) const { return cells_[i * scheme_count + s]; }
    std::span<const std::uint8_t> data() const { return data_; }

    // Codewords written (before pads) when the plan ends in `s` in a symbol of `capacity`; -1 when it cannot.
    int finish(Scheme s, int capacity) const;

private:
    std::span<const std::uint8_t> data_;
    std::vector<Partial> cells_;  // [position * scheme_count + scheme]
};

// Where the preferred plan ends in a symbol of a given capacity, and with how many codewords before the pads.
struct PreferredEnd {
    Scheme scheme = Ascii;
    int total = infinity;
};

PreferredEnd preferred_end(const PreferredPlan& plan, int capacity);

void emit_preferred(const PreferredPlan& plan, const PreferredEnd& end, int capacity, std::vector<std::uint8_t>& out);

}  // namespace tavlo::datamatrix
