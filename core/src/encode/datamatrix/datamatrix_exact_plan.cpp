#include "datamatrix_exact_plan.hpp"

#include <algorithm>
#include <utility>

namespace tavlo::datamatrix {

void Plan::run(int start) {
    const std::size_t n = data.size();
    cost.assign((n + 1) * state_count, infinity);
    from.assign((n + 1) * state_count, 0);
    from_state.assign((n + 1) * state_count, A);
    at(0, A) = start;

    // Base 256 segments [s, i): short ones need s in [i - 249, i - 1], their cost A(s) - s + i + 2; long ones
    // s <= i - 250, cost A(s) - s + i + 3. A monotone window and a running minimum of A(s) - s give both.
    std::vector<std::int32_t> window(n + 1);
    std::size_t head = 0, tail = 0;
    int long_best = infinity;
    std::size_t long_from = 0;

    for (std::size_t i = 0; i <= n; ++i) {
        if (i > 0) {
            const std::size_t s = i - 1;
            const int key = at(s, A) - int(s);
            while (tail > head && at(window[tail - 1], A) - window[tail - 1] >= key) --tail;
            window[tail++] = std::int32_t(s);
            if (std::size_t(window[head]) + longest_short_base256 < i) ++head;
            relax(i, B1, at(window[head], A) - window[head] + int(i) + 2, window[head], A);
            if (i > longest_short_base256) {
                const std::size_t t = i - longest_short_base256 - 1;
                if (at(t, A) - int(t) < long_best) {
                    long_best = at(t, A) - int(t);
                    long_from = t;
                }
                if (long_best < infinity) relax(i, B2, long_best + int(i) + 3, long_from, A);
            }
        }

        // Returns to ASCII: the unlatch, for EDIFACT packed into the open quadruple.
        relax(i, A, at(i, E3) + 3, i, E3, false);
        relax(i, A, at(i, E2) + 3, i, E2, false);
        relax(i, A, at(i, E1) + 2, i, E1, false);
        relax(i, A, at(i, E0) + 1, i, E0, false);
        relax(i, A, at(i, X0) + 1, i, X0, false);
        relax(i, A, at(i, T0) + 1, i, T0, false);
        relax(i, A, at(i, C0) + 1, i, C0, false);
        relax(i, A, at(i, B1), i, B1);
        relax(i, A, at(i, B2), i, B2);
        const int ascii = at(i, A);
        relax(i, C0, ascii + 1, i, A, false);
        relax(i, T0, ascii + 1, i, A, false);
        relax(i, X0, ascii + 1, i, A, false);
        relax(i, E0, ascii + 1, i, A, false);
        if (i == n) break;

        const std::uint8_t b = data[i];
        if (i + 1 < n && is_digit(b) && is_digit(data[i + 1])) relax(i + 2, A, ascii + 1, i, A);
        relax(i + 1, A, ascii + (b >= 128 ? 2 : 1), i, A);
        for (int text = 0; text < 2; ++text) {
            const int base = text ? T0 : C0;
            const int values = c40_value_count(b, text != 0);
            for (int p = 0; p < 3; ++p) {
                const int g = at(i, base + p);
                if (g >= infinity) continue;
                relax(i + 1, base + (p + values) % 3, g + 2 * ((p + values) / 3), i, base + p);
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
}

Choice choose_end(Plan& plan, int capacity) {
    const std::size_t n = plan.data.size();
    Choice best;
    const auto offer = [&](int total, std::size_t position, State state, Ending ending) {
        if (total <= capacity && total < best.total) best = {total, position, state, ending};
    };
    offer(plan.at(n, A), n, A, Ending::Ascii);
    for (State s : {X0, T0, C0}) {
        if (plan.at(n, s) == capacity) offer(capacity, n, s, Ending::TripleFull);
        for (std::size_t i = n >= 2 ? n - 2 : 0; i < n; ++i) {
            if (plan.at(i, s) + 1 == capacity && ascii_cost(plan.data, i) == 1)
                offer(capacity, i, s, Ending::TripleAscii);
        }
    }
    for (State s : {T2, C2}) {
        if (plan.at(n, s) + 2 == capacity) offer(capacity, n, s, Ending::TriplePadded);
    }
    for (std::size_t i = n >= 4 ? n - 4 : 0; i <= n; ++i) {
        const int g = plan.at(i, E0);
        if (g < infinity && capacity - g <= 2) offer(g + ascii_cost(plan.data, i), i, E0, Ending::EdifactAscii);
    }
    if (plan.at(n, B2) - 1 == capacity) offer(capacity, n, B2, Ending::Base256Full);
    return best;
}

void emit(Plan& plan, const Choice& choice, int capacity, std::vector<std::uint8_t>& out) {
    // The path back from the chosen end, then forwards.
    std::vector<std::pair<std::int32_t, State>> path;
    std::size_t i = choice.position;
    State s = choice.state;
    path.emplace_back(std::int32_t(i), s);
    while (i != 0 || s != A) {
        const std::size_t k = i * state_count + s;
        i = std::size_t(plan.from[k]);
        s = State(plan.from_state[k]);
        path.emplace_back(std::int32_t(i), s);
    }
    std::reverse(path.begin(), path.end());

    Emitter emitter(plan.data, out, capacity);
    for (std::size_t k = 1; k < path.size(); ++k) {
        const auto [p, ps] = path[k - 1];
        const auto [q, qs] = path[k];
        if (qs == B1 || qs == B2) {
            const bool last = std::size_t(q) == plan.data.size() && k + 2 >= path.size();
            emitter.base256(std::size_t(p), std::size_t(q), last);
        } else if (p == q) {
            if (qs == A) emitter.unlatch_to_ascii(ps);
            else emitter.latch(qs);
        } else if (q - p == 2 && ps == A) {
            emitter.digit_pair(std::size_t(p));
        } else {
            emitter.character(std::size_t(p), ps);
        }
    }
    switch (choice.ending) {
    case Ending::TriplePadded: emitter.pad_triple(); break;
    case Ending::TripleAscii:
    case Ending::EdifactAscii: append_ascii(plan.data, choice.position, plan.data.size(), out); break;
    default: break;
    }
}

}  // namespace tavlo::datamatrix
