#include "datamatrix_exact_plan.hpp"

#include <algorithm>

namespace tavlo::datamatrix {
namespace {

constexpr int A = exact_state::ascii;
constexpr int C0 = exact_state::c40;
constexpr int T0 = exact_state::text;
constexpr int X0 = exact_state::x12;
constexpr int E0 = exact_state::edifact;
constexpr int B1 = exact_state::base256;
constexpr int B2 = exact_state::long_base256;

}  // namespace

ExactPlan::ExactPlan(std::span<const std::uint8_t> data, int start, bool record_path)
    : data_(data), start_(start), record_path_(record_path), row_mask_(record_path ? ~std::size_t{0} : ring_rows - 1) {
    const std::size_t n = data.size();
    const std::size_t cells = (record_path ? n + 1 : ring_rows) * exact_state::count;
    cost_.assign(cells, infinity);
    if (record_path) {
        from_.assign(cells, 0);
        from_state_.assign(cells, A);
    }
    ascii_.resize(n + 1);
    window_.resize(n + 1);
    at(0, A) = start;
    for (std::size_t k = 0; k < tails_.size() && k <= n; ++k) tails_[k] = ascii_cost(data, n - k);
    for (std::size_t i = 0; i <= n; ++i) {
        if (!record_path && i + 2 <= n) std::fill_n(&at(i + 2, 0), exact_state::count, infinity);  // row i - 6
        if (i > 0) relax_base256(i);
        relax_changes(i);
        ascii_[i] = at(i, A);
        if (i < n) relax_character(i);
    }
}

void ExactPlan::relax(std::size_t i, int state, int value, std::size_t prev, int prev_state, bool replace_equal) {
    const std::size_t k = cell(i, state);
    if (value < cost_[k] || (replace_equal && value == cost_[k])) {
        cost_[k] = value;
        if (record_path_) {
            from_[k] = std::int32_t(prev);
            from_state_[k] = std::uint8_t(prev_state);
        }
    }
}

// Base 256 segments ending before character i.
void ExactPlan::relax_base256(std::size_t i) {
    const std::size_t s = i - 1;
    const int key = ascii_[s] - int(s);
    while (tail_ > head_ && ascii_[std::size_t(window_[tail_ - 1])] - window_[tail_ - 1] >= key) --tail_;
    window_[tail_++] = std::int32_t(s);
    if (std::size_t(window_[head_]) + longest_short_base256 < i) ++head_;
    const auto best = std::size_t(window_[head_]);
    relax(i, B1, ascii_[best] - int(best) + int(i) + 2, best, A);
    if (i > longest_short_base256) {
        const std::size_t t = i - longest_short_base256 - 1;
        if (ascii_[t] - int(t) < long_best_) {
            long_best_ = ascii_[t] - int(t);
            long_from_ = t;
        }
        if (long_best_ < infinity) relax(i, B2, long_best_ + int(i) + 3, long_from_, A);
    }
}

// Scheme changes before character i: back to ASCII (the unlatch, for EDIFACT packed into the open
// quadruple; none for Base 256), then the latches out of ASCII.
void ExactPlan::relax_changes(std::size_t i) {
    for (int from : {E0 + 3, E0 + 2, E0 + 1, E0, X0, T0, C0})
        relax(i, A, at(i, from) + unlatch_cost(exact_state::scheme_of(from), exact_state::open_values(from)), i, from,
              false);
    relax(i, A, at(i, B1), i, B1);
    relax(i, A, at(i, B2), i, B2);
    const int ascii = at(i, A);
    for (int to : {C0, T0, X0, E0}) relax(i, to, ascii + 1, i, A, false);
}

// Character i (with i + 1 for an ASCII digit pair) in every scheme that has it.
void ExactPlan::relax_character(std::size_t i) {
    const std::size_t n = data_.size();
    const std::uint8_t b = data_[i];
    const int ascii = at(i, A);
    if (i + 1 < n && is_digit(b) && is_digit(data_[i + 1])) relax(i + 2, A, ascii + 1, i, A);
    relax(i + 1, A, ascii + (b >= 128 ? 2 : 1), i, A);
    for (int text = 0; text < 2; ++text) {
        const int base = text ? T0 : C0;
        const int values = c40_value_count(b, text != 0);
        for (int p = 0; p < 3; ++p) {
            const int g = at(i, base + p);
            if (g < infinity) relax(i + 1, base + (p + values) % 3, g + 2 * ((p + values) / 3), i, base + p);
        }
    }
    if (is_x12(b)) {
        for (int p = 0; p < 3; ++p) {
            const int g = at(i, X0 + p);
            if (g < infinity) relax(i + 1, X0 + (p + 1) % 3, g + (p == 2 ? 2 : 0), i, X0 + p);
        }
    }
    if (is_edifact(b)) {
        for (int p = 0; p < 4; ++p) {
            const int g = at(i, E0 + p);
            if (g < infinity) relax(i + 1, E0 + (p + 1) % 4, g + (p == 3 ? 3 : 0), i, E0 + p);
        }
    }
}

// The candidates in a fixed order, the first of the fewest winning: ASCII; C40/Text/X12 with no value open at
// the end, or at a group boundary one or two characters before it; C40/Text with two values open; EDIFACT at a
// quadruple boundary up to four characters before the end; a long Base 256 segment.
ExactPlan::End ExactPlan::choose(int capacity) const {
    const std::size_t n = data_.size();
    End best;
    const auto offer = [&](std::size_t boundary, int state, int open_values) {
        const int g = at(boundary, state);
        if (g >= infinity) return;
        const int tail = tails_[n - boundary];
        const OpenEnd end{exact_state::scheme_of(state), g, open_values, boundary, tail, state == B2};
        const auto close = datamatrix::close(end, capacity);
        if (close && close->total < best.close.total) best = {*close, state};
    };
    offer(n, A, 0);
    for (int s : {X0, T0, C0}) {
        offer(n, s, 0);
        for (std::size_t i = n >= 2 ? n - 2 : 0; i < n; ++i) offer(i, s, -1);
    }
    for (int s : {T0 + 2, C0 + 2}) {
        const int g = at(n, s);
        if (g >= infinity) continue;
        const auto close = datamatrix::close({exact_state::scheme_of(s), g, 2, n, -1, false}, capacity);
        if (close && close->total < best.close.total) best = {*close, s};
    }
    for (std::size_t i = n >= 4 ? n - 4 : 0; i <= n; ++i) offer(i, E0, i == n ? 0 : -1);
    offer(n, B2, 0);
    return best;
}

Route ExactPlan::route(int capacity) const {
    if (!record_path_) return ExactPlan(data_, start_, true).route(capacity);
    const End end = choose(capacity);
    // The path back from the chosen end; each move between positions is one step.
    Route route{{}, end.close};
    std::size_t i = end.close.boundary;
    int s = end.state;
    while (i != 0 || s != A) {
        const std::size_t k = cell(i, s);
        const auto p = std::size_t(from_[k]);
        const int ps = from_state_[k];
        if (s == B1 || s == B2) {
            for (std::size_t q = i; q-- > p;) route.steps.push_back({std::uint32_t(q), Scheme::Base256, 1});
        } else if (p != i) {
            route.steps.push_back({std::uint32_t(p), exact_state::scheme_of(ps), std::uint8_t(i - p)});
        }
        i = p;
        s = ps;
    }
    std::reverse(route.steps.begin(), route.steps.end());
    return route;
}

}  // namespace tavlo::datamatrix
