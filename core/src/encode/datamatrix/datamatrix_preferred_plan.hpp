// The preferred plan of ECC 200 data encodation: the plan written whenever it is as short as the exact one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "datamatrix_schemes.hpp"
#include "datamatrix_writer.hpp"

namespace tavlo::datamatrix {

// For every position and scheme it keeps a single partial encodation: the smallest, where values still waiting
// for their C40/Text/X12 triple count 2/3 of a codeword each and those waiting for their EDIFACT quadruple 3/4,
// and where an open Base 256 segment that would reach 250 bytes by running to the end of the data already counts
// its second length codeword. Every scheme may open the symbol without a change being counted. Each step changes
// scheme (or not) and encodes the next character (two for an ASCII digit pair); among equally small candidates
// the one with fewer scheme changes stays, then the one met last in a fixed order of schemes. These choices
// settle ties the same way every time and favour long runs in one scheme. One partial per scheme is not always
// the fewest codewords (a scheme entered a character later can close a group earlier), so the exact plan
// decides whether the preferred one may be used.
class PreferredPlan {
public:
    // `start`: codewords already written (FNC1, Macro 05/06).
    PreferredPlan(std::span<const std::uint8_t> data, int start);

    // How the plan closes in a symbol of `capacity`, the total included; empty when it does not fit.
    std::optional<Close> best_close(int capacity) const;

    // The steps that reach best_close(capacity).
    Route route(int capacity) const;

private:
    struct Partial {
        std::int32_t codewords = -1;  // complete codewords written; -1 when no plan reaches this state
        std::uint16_t bytes = 0;      // Base 256: bytes of the open segment
        std::uint16_t switches = 0;   // scheme changes so far
        std::uint8_t pending = 0;     // values waiting for their triple (C40/Text/X12) or quadruple (EDIFACT)

        bool reached() const { return codewords >= 0; }
    };

    // How a partial was reached: the scheme of the step before and the characters the step took (1, or 2 for
    // an ASCII digit pair), kept for every position while the partials themselves are kept for three.
    struct Link {
        Scheme from = Scheme::Ascii;
        std::uint8_t step = 0;
    };

    // A plan one character further, before it is kept; `size` in twelfths of a codeword.
    struct Candidate {
        int codewords, pending, bytes, switches, size;
    };

    // A step reads row i and writes rows i + 1 and i + 2, so four rows in turn hold every partial still needed.
    static constexpr std::size_t ring_rows = 4;

    const Partial& cell(std::size_t i, Scheme s) const {
        return cells_[i % ring_rows * scheme_count + std::size_t(index(s))];
    }
    Partial& cell(std::size_t i, Scheme s) { return cells_[i % ring_rows * scheme_count + std::size_t(index(s))]; }
    Link& link(std::size_t i, Scheme s) { return links_[i * scheme_count + std::size_t(index(s))]; }
    const Link& link(std::size_t i, Scheme s) const { return links_[i * scheme_count + std::size_t(index(s))]; }

    // The ways out of the schemes before character i: the codeword count of standing in ASCII after leaving
    // each (-1 when it cannot), and the two best to leave: the fewest codewords, then the fewest changes, then
    // the later in the step order. A change into scheme s comes from `best`, or from `second` when best is s.
    struct Sources {
        std::array<int, scheme_count> leave{};
        std::optional<Scheme> best, second;

        std::optional<Scheme> into(Scheme s) const { return best == s ? second : best; }
    };
    Sources sources(std::size_t i) const;
    void step(std::size_t i, Scheme to, const Sources& sources);
    Candidate encode(std::size_t i, Scheme to, int codewords, int pending, int bytes, int switches) const;

    OpenEnd open_end(Scheme s) const;

    std::span<const std::uint8_t> data_;
    std::array<OpenEnd, scheme_count> ends_{};  // where the plan stands at the end of the data, in each scheme
    std::array<Partial, ring_rows * scheme_count> cells_{};  // [position % ring_rows * scheme_count + scheme]
    std::vector<Link> links_;                                // [position * scheme_count + scheme]
};

}  // namespace tavlo::datamatrix
