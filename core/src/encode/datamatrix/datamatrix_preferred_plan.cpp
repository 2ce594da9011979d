#include "datamatrix_preferred_plan.hpp"

#include <algorithm>

namespace tavlo::datamatrix {
namespace {

using enum Scheme;

// The order in which a step tries the schemes, later ones winning ties.
constexpr std::array<Scheme, scheme_count> step_order{X12, Text, Base256, Edifact, Ascii, C40};
// Between plans that end with equally many codewords (and scheme changes): the first of these.
constexpr std::array<Scheme, scheme_count> end_order{Ascii, Base256, Edifact, X12, Text, C40};
// Codewords of entering each scheme from ASCII: its latch, and for Base 256 the segment's length too.
constexpr std::array<int, scheme_count> entry_cost{0, 1, 1, 1, 1, 2};

constexpr std::array<int, scheme_count> rank = [] {
    std::array<int, scheme_count> r{};
    for (int k = 0; k < scheme_count; ++k) r[std::size_t(index(step_order[std::size_t(k)]))] = k;
    return r;
}();

// The size in twelfths of a codeword of a plan in scheme `s`; `rest` counts the characters still to encode.
int twelfths(Scheme s, int codewords, int pending, int bytes, std::size_t rest) {
    int size = 12 * codewords;
    if (is_triple(s)) size += 8 * pending;
    if (s == Edifact) size += 9 * pending;
    if (s == Base256 && bytes < 250 && std::size_t(bytes) + rest >= 250) size += 12;
    return size;
}

// The characters at the end of the data whose C40/Text/X12 values are the `pending` ones; 0 when the values of
// one character straddle the last complete triple.
std::size_t pending_characters(std::span<const std::uint8_t> data, Scheme s, int pending) {
    int values = 0;
    std::size_t k = 0;
    while (values < pending) {
        ++k;
        values += s == X12 ? 1 : c40_value_count(data[data.size() - k], s == Text);
    }
    return values == pending ? k : 0;
}

}  // namespace

PreferredPlan::PreferredPlan(std::span<const std::uint8_t> data, int start)
    : data_(data), links_((data.size() + 1) * scheme_count) {
    const std::size_t n = data.size();
    cell(0, Ascii).codewords = start;
    if (n > 0) {
        for (Scheme s : {C40, Text, X12, Edifact, Base256}) {
            cell(0, s).codewords = start + entry_cost[std::size_t(index(s))];
            link(0, s).from = s;
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        for (Scheme s : step_order) cell(i + 2, s) = Partial{};  // the row of i - 1, no longer needed
        const Sources from = sources(i);
        for (Scheme to : step_order) step(i, to, from);
    }
    for (Scheme s : end_order) ends_[std::size_t(index(s))] = open_end(s);
}

PreferredPlan::Sources PreferredPlan::sources(std::size_t i) const {
    Sources out;
    for (Scheme s : step_order) {
        const Partial& p = cell(i, s);
        const int cost = unlatch_cost(s, p.pending);
        out.leave[std::size_t(index(s))] = p.reached() && cost >= 0 ? p.codewords + cost : -1;
    }
    const auto better = [&](Scheme from, const std::optional<Scheme>& than) {
        const int a = out.leave[std::size_t(index(from))];
        if (a < 0) return false;
        if (!than) return true;
        const int b = out.leave[std::size_t(index(*than))];
        return a < b || (a == b && cell(i, from).switches <= cell(i, *than).switches);
    };
    for (Scheme s : step_order)
        if (better(s, out.best)) out.best = s;
    for (Scheme s : step_order)
        if (s != out.best && better(s, out.second)) out.second = s;
    return out;
}

// Character i in scheme `to`, from the best plan that changes into `to` or from the plan already in it.
void PreferredPlan::step(std::size_t i, Scheme to, const Sources& sources) {
    const std::uint8_t b = data_[i];
    if ((to == X12 && !is_x12(b)) || (to == Edifact && !is_edifact(b))) return;
    // All sources encode the character the same way once in `to`, so the best one to leave is the one to take.
    const std::optional<Scheme> source = sources.into(to);
    const Partial* stay = cell(i, to).reached() ? &cell(i, to) : nullptr;
    if (!source && !stay) return;

    Candidate best{};
    Scheme best_from = to;
    if (source) {
        const int leave = sources.leave[std::size_t(index(*source))];
        best = encode(i, to, leave + entry_cost[std::size_t(index(to))], 0, 0, cell(i, *source).switches + 1);
        best_from = *source;
    }
    if (stay) {
        const Candidate c = encode(i, to, stay->codewords, stay->pending, stay->bytes, stay->switches);
        const bool later = source && rank[std::size_t(index(to))] > rank[std::size_t(index(*source))];
        if (!source || c.size < best.size ||
            (c.size == best.size && (c.switches < best.switches || (c.switches == best.switches && later)))) {
            best = c;
            best_from = to;
        }
    }
    const std::size_t taken = to == Ascii && i + 1 < data_.size() && is_digit(b) && is_digit(data_[i + 1]) ? 2 : 1;
    Partial& there = cell(i + taken, to);
    if (there.reached()) {
        const int kept = twelfths(to, there.codewords, there.pending, there.bytes, data_.size() - i - taken);
        if (best.size > kept || (best.size == kept && best.switches > there.switches)) return;
    }
    there =
        Partial{best.codewords, std::uint16_t(best.bytes), std::uint16_t(best.switches), std::uint8_t(best.pending)};
    link(i + taken, to) = Link{best_from, std::uint8_t(taken)};
}

// Encodes character i (two for an ASCII digit pair) after a plan standing at (codewords, pending, bytes) in `to`.
PreferredPlan::Candidate PreferredPlan::encode(std::size_t i, Scheme to, int codewords, int pending, int bytes,
                                               int switches) const {
    const std::uint8_t b = data_[i];
    const bool pair = to == Ascii && i + 1 < data_.size() && is_digit(b) && is_digit(data_[i + 1]);
    switch (to) {
    case Ascii: codewords += pair ? 1 : b >= 128 ? 2 : 1; break;
    case C40:
    case Text: {
        const int values = pending + c40_value_count(b, to == Text);
        codewords += 2 * (values / 3);
        pending = values % 3;
        break;
    }
    case X12:
        if (++pending == 3) {
            codewords += 2;
            pending = 0;
        }
        break;
    case Edifact:
        if (++pending == 4) {
            codewords += 3;
            pending = 0;
        }
        break;
    case Base256:
        // The 250th byte of a segment moves its length into two codewords.
        codewords += ++bytes == 250 ? 2 : 1;
        break;
    }
    const std::size_t rest = data_.size() - i - (pair ? 2 : 1);
    return {codewords, pending, bytes, switches, twelfths(to, codewords, pending, bytes, rest)};
}

// The plan's end in scheme s: the characters of values still open go out in ASCII or with the unlatch.
OpenEnd PreferredPlan::open_end(Scheme s) const {
    const std::size_t n = data_.size();
    const Partial& p = cell(n, s);
    OpenEnd end{s, p.reached() ? p.codewords : infinity, p.pending, n, 0, p.bytes >= 250};
    if (p.pending > 0 && is_triple(s)) {
        const std::size_t k = pending_characters(data_, s, p.pending);
        end.boundary = n - k;
        end.tail = k == 0 ? -1 : ascii_cost(data_, n - k);
    } else if (p.pending > 0 && s == Edifact) {
        end.boundary = n - p.pending;
        end.tail = ascii_cost(data_, end.boundary);
    }
    return end;
}

std::optional<Close> PreferredPlan::best_close(int capacity) const {
    std::optional<Close> best;
    int best_switches = 0;
    for (Scheme s : end_order) {
        const auto close = datamatrix::close(ends_[std::size_t(index(s))], capacity);
        if (!close) continue;
        const int switches = cell(data_.size(), s).switches;
        if (!best || close->total < best->total || (close->total == best->total && switches < best_switches)) {
            best = close;
            best_switches = switches;
        }
    }
    return best;
}

Route PreferredPlan::route(int capacity) const {
    Route route{{}, *best_close(capacity)};
    Scheme scheme = route.close.scheme;
    for (std::size_t i = data_.size(); i > 0;) {
        const Link& l = link(i, scheme);
        i -= l.step;
        route.steps.push_back({std::uint32_t(i), scheme, l.step});
        scheme = l.from;
    }
    std::reverse(route.steps.begin(), route.steps.end());
    return route;
}

}  // namespace tavlo::datamatrix
