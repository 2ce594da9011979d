#include "datamatrix_preferred_plan.hpp"

#include <algorithm>
#include <array>

namespace tavlo::datamatrix {
namespace {

constexpr std::array<Scheme, scheme_count> step_order{X12, Text, Base256, Edifact, Ascii, C40};
// Between plans that end with equally many codewords (and scheme changes): the first of these.
constexpr std::array<Scheme, scheme_count> end_order{Ascii, Base256, Edifact, X12, Text, C40};

// Bytes that an EDIFACT unlatch takes with 0 to 3 values still open: the values and the unlatch value, rounded up.
constexpr std::array<int, 4> edifact_unlatch_bytes{1, 2, 3, 3};

// The size in twelfths of a codeword of a plan in scheme `s`; `rest` counts the characters still to encode.
int twelfths(Scheme s, int codewords, int pending, int bytes, std::size_t rest) {
    int size = 12 * codewords;
    if (s == C40 || s == Text || s == X12) size += 8 * pending;
    if (s == Edifact) size += 9 * pending;
    if (s == Base256 && bytes < 250 && bytes + rest >= 250) size += 12;
    return size;
}

// A plan one character further, before it is kept.
struct Candidate {
    int codewords;
    int pending;
    int bytes;
    int switches;
    int size;  // twelfths
};

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

constexpr State scheme_state(Scheme s) {
    constexpr std::array<State, scheme_count> states{A, C0, T0, X0, E0, B1};
    return states[s];
}

}  // namespace

PreferredPlan::PreferredPlan(std::span<const std::uint8_t> data, int start)
    : data_(data), cells_((data.size() + 1) * scheme_count) {
    const std::size_t n = data.size();
    cells_[Ascii].codewords = start;
    if (n > 0) {
        for (Scheme s : {C40, Text, X12, Edifact, Base256}) {
            cells_[s].codewords = start + (s == Base256 ? 2 : 1);
            cells_[s].from = s;
        }
    }
    constexpr std::array<int, scheme_count> latch_cost{0, 1, 1, 1, 1, 2};
    std::array<int, scheme_count> rank{};  // position in step_order: later candidates win ties
    for (int k = 0; k < scheme_count; ++k) rank[step_order[k]] = k;

    for (std::size_t i = 0; i < n; ++i) {
        const Partial* here = &cells_[i * scheme_count];
        // The cheapest way to stand in ASCII before character i, coming out of each scheme (an unlatch cannot
        // go inside a C40/Text/X12 triple); among equals the fewer changes, then the later source.
        std::array<int, scheme_count> leave{};
        for (Scheme s : step_order) {
            const Partial& p = here[s];
            if (!p.reached()) leave[s] = -1;
            else if (s == Edifact) leave[s] = p.codewords + edifact_unlatch_bytes[p.pending];
            else if (s == Ascii || s == Base256) leave[s] = p.codewords;
            else leave[s] = p.pending == 0 ? p.codewords + 1 : -1;
        }
        const std::uint8_t b = data[i];
        const bool pair = i + 1 < n && is_digit(b) && is_digit(data[i + 1]);
        for (Scheme to : step_order) {
            if ((to == X12 && !is_x12(b)) || (to == Edifact && !is_edifact(b))) continue;
            // The best source that changes into `to`: all of them then encode the character the same way.
            int source = -1;
            for (Scheme from : step_order) {
                if (from == to || leave[from] < 0) continue;
                if (source < 0 || leave[from] < leave[source] ||
                    (leave[from] == leave[source] && here[from].switches <= here[source].switches)) {
                    source = from;
                }
            }
            const Partial* stay = here[to].reached() ? &here[to] : nullptr;
            if (source < 0 && !stay) continue;

            const std::size_t taken = to == Ascii && pair ? 2 : 1;
            const std::size_t j = i + taken;
            const std::size_t rest = n - j;
            // Encodes the character after a plan standing at (codewords, pending, bytes) in `to`.
            const auto encode = [&](int codewords, int pending, int bytes, int switches) {
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
                default: break;
                }
                Candidate c{codewords, pending, bytes, switches, 0};
                c.size = twelfths(to, codewords, pending, bytes, rest);
                return c;
            };

            Candidate best{};
            Scheme best_from = to;
            if (source >= 0) {
                best = encode(leave[source] + latch_cost[to], 0, 0, here[source].switches + 1);
                best_from = Scheme(source);
            }
            if (stay) {
                const Candidate c = encode(stay->codewords, stay->pending, stay->bytes, stay->switches);
                if (source < 0 || c.size < best.size ||
                    (c.size == best.size &&
                     (c.switches < best.switches || (c.switches == best.switches && rank[to] > rank[source])))) {
                    best = c;
                    best_from = to;
                }
            }
            Partial& there = cells_[j * scheme_count + to];
            if (there.reached()) {
                const int kept = twelfths(to, there.codewords, there.pending, there.bytes, rest);
                if (best.size > kept || (best.size == kept && best.switches > there.switches)) continue;
            }
            there = Partial{best.codewords, std::uint16_t(best.bytes), std::uint16_t(best.switches),
                            std::uint8_t(best.pending), best_from, std::uint8_t(taken)};
        }
    }
}

int PreferredPlan::finish(Scheme s, int capacity) const {
    const std::size_t n = data_.size();
    const Partial& p = cell(n, s);
    if (!p.reached()) return -1;
    const int g = p.codewords;
    int total = g;
    switch (s) {
    case C40:
    case Text:
    case X12:
        if (p.pending == 0) {
            total = g < capacity ? g + 1 : g;  // the unlatch, unless the symbol is full
        } else {
            // The characters of an unfinished triple go out in ASCII (ISO/IEC 16022 5.2.5.2), after an
            // unlatch unless they make the one codeword that ends the symbol.
            const std::size_t k = pending_characters(data_, s, p.pending);
            if (k == 0) return -1;
            const int tail = ascii_cost(data_, n - k);
            total = tail == 1 && capacity - g == 1 ? g + 1 : g + 1 + tail;
        }
        break;
    case Edifact:
        if (p.pending == 0) {
            total = capacity - g >= 3 ? g + 1 : g;
        } else {
            // A decoder reads ASCII once fewer than three codewords remain, so the open values may go there.
            const int tail = ascii_cost(data_, n - p.pending);
            if (capacity - g <= 2 && tail <= capacity - g) {
                total = g + tail;
            } else {
                // An unlatch group is read as EDIFACT only with at least three codewords left.
                if (capacity - g < 3) return -1;
                total = g + edifact_unlatch_bytes[p.pending];
            }
        }
        break;
    case Base256:
        // A long segment that reaches exactly the end writes its length as 0, one codeword.
        total = p.bytes >= 250 && g - 1 == capacity ? capacity : g;
        break;
    default: break;
    }
    return total <= capacity ? total : -1;
}

PreferredEnd preferred_end(const PreferredPlan& plan, int capacity) {
    const std::size_t n = plan.data().size();
    PreferredEnd best;
    int best_switches = 0;
    for (Scheme s : end_order) {
        const int total = plan.finish(s, capacity);
        if (total < 0) continue;
        const int switches = plan.cell(n, s).switches;
        if (total < best.total || (total == best.total && switches < best_switches)) {
            best = {s, total};
            best_switches = switches;
        }
    }
    return best;
}

void emit_preferred(const PreferredPlan& plan, const PreferredEnd& end, int capacity, std::vector<std::uint8_t>& out) {
    const auto data = plan.data();
    const std::size_t n = data.size();
    struct Step {
        std::uint32_t position;
        Scheme scheme;
        std::uint8_t taken;
    };
    std::vector<Step> steps;
    Scheme scheme = end.scheme;
    for (std::size_t i = n; i > 0;) {
        const Partial& p = plan.cell(i, scheme);
        i -= p.step;
        steps.push_back({std::uint32_t(i), scheme, p.step});
        scheme = p.from;
    }
    std::reverse(steps.begin(), steps.end());

    Emitter emitter(data, out, capacity);
    Scheme current = Ascii;
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const Step& step = steps[k];
        if (step.scheme != current) {
            if (current == Edifact && emitter.open_values() == 0 && capacity - int(out.size()) <= 2) {
                // Fewer than three codewords left: the decoder is back in ASCII without the unlatch.
            } else if (current != Ascii) {
                emitter.unlatch_to_ascii(scheme_state(current));
            }
            current = step.scheme;
            if (current == Base256) {
                std::size_t e = k;
                while (e + 1 < steps.size() && steps[e + 1].scheme == Base256) ++e;
                const std::size_t end_position = steps[e].position + 1;
                emitter.base256(step.position, end_position, end_position == n);
                k = e;
                continue;
            }
            if (current != Ascii) emitter.latch(scheme_state(current));
        }
        if (current == Ascii) {
            append_ascii(data, step.position, step.position + step.taken, out);
        } else {
            emitter.character(step.position, scheme_state(current));
        }
    }

    const int g = int(out.size());
    switch (current) {
    case C40:
    case Text:
    case X12:
        if (emitter.open_values() == 0) {
            if (g < capacity) out.push_back(unlatch);
        } else {
            const std::size_t k = pending_characters(data, current, int(emitter.open_values()));
            emitter.discard_open_values();
            if (ascii_cost(data, n - k) != 1 || capacity - g != 1) out.push_back(unlatch);
            append_ascii(data, n - k, n, out);
        }
        break;
    case Edifact: {
        const int open = int(emitter.open_values());
        const int tail = ascii_cost(data, n - open);
        if (capacity - g <= 2 && tail <= capacity - g) {
            emitter.discard_open_values();
            append_ascii(data, n - open, n, out);
        } else {
            emitter.unlatch_to_ascii(E0);
        }
        break;
    }
    default: break;
    }
}

}  // namespace tavlo::datamatrix
