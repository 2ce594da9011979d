// The exact plan of ECC 200 data encodation: a dynamic program over every scheme with its open values that
// gives the fewest codewords for each symbol capacity, end-of-data shortcuts included.
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

// A state of the exact plan as one index: ASCII; C40, Text and X12 with 0 to 2 values waiting for their triple;
// EDIFACT with 0 to 3 waiting for their quadruple; Base 256 with a one-byte or a two-byte length (a segment of
// at most 249 bytes so far, or more).
namespace exact_state {
inline constexpr int ascii = 0, c40 = 1, text = 4, x12 = 7, edifact = 10, base256 = 14, long_base256 = 15;
inline constexpr int count = 16;

constexpr Scheme scheme_of(int state) {
    return state >= base256   ? Scheme::Base256
           : state >= edifact ? Scheme::Edifact
           : state >= x12     ? Scheme::X12
           : state >= text    ? Scheme::Text
           : state >= c40     ? Scheme::C40
                              : Scheme::Ascii;
}
// Values waiting in `state` (for Base 256, 1 with a two-byte length).
constexpr int open_values(int state) {
    constexpr int first[] = {ascii, c40, text, x12, edifact, base256};
    return state - first[index(scheme_of(state))];
}
}  // namespace exact_state

class ExactPlan {
public:
    // `start`: codewords already written (FNC1, Macro 05/06). Counts only; route() plans again to find the steps.
    ExactPlan(std::span<const std::uint8_t> data, int start) : ExactPlan(data, start, false) {}

    // The fewest codewords for a symbol of `capacity` among the plain end and the end-of-data shortcuts, and
    // how it closes; empty when nothing fits.
    std::optional<Close> best_close(int capacity) const {
        const End end = choose(capacity);
        return end.close.total < infinity ? std::optional(end.close) : std::nullopt;
    }

    // The steps that reach best_close(capacity).
    Route route(int capacity) const;

private:
    // With `record_path`, every row and every state's predecessor is kept; without, the last few rows only.
    ExactPlan(std::span<const std::uint8_t> data, int start, bool record_path);

    struct End {
        Close close;
        int state = exact_state::ascii;
    };
    End choose(int capacity) const;

    std::size_t cell(std::size_t i, int state) const {
        return (i & row_mask_) * exact_state::count + std::size_t(state);
    }
    int at(std::size_t i, int state) const { return cost_[cell(i, state)]; }
    int& at(std::size_t i, int state) { return cost_[cell(i, state)]; }

    // Ties go to the later candidate, except that a latch never displaces an equal plan already in the scheme.
    void relax(std::size_t i, int state, int value, std::size_t prev, int prev_state, bool replace_equal = true);

    void relax_base256(std::size_t i);
    void relax_changes(std::size_t i);
    void relax_character(std::size_t i);

    // A pass reads and writes rows i to i + 2 and the end reads the last five, so eight rows in turn suffice when
    // the path is not wanted: the plan of a long payload then stays in the cache instead of touching fresh pages.
    static constexpr std::size_t ring_rows = 8;

    std::span<const std::uint8_t> data_;
    int start_;
    bool record_path_;
    std::size_t row_mask_;                  // every row kept, or the last ring_rows
    std::vector<int> cost_;                 // [row * count + state]: codewords written so far
    std::vector<int> ascii_;                // the ASCII cost of every position, for the Base 256 segments
    std::array<int, 5> tails_{};            // ASCII codewords of the last k characters, k in [0, 4]
    std::vector<std::int32_t> from_;        // with record_path: predecessor position
    std::vector<std::uint8_t> from_state_;  // with record_path: predecessor state

    // Base 256 segments [s, i): short ones need s in [i - 249, i - 1], their cost A(s) - s + i + 2; long ones
    // s <= i - 250, cost A(s) - s + i + 3. A monotone window and a running minimum of A(s) - s give both.
    std::vector<std::int32_t> window_;
    std::size_t head_ = 0, tail_ = 0;
    int long_best_ = infinity;
    std::size_t long_from_ = 0;
};

}  // namespace tavlo::datamatrix
