#include "datamatrix_encodation.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>

namespace tavlo::datamatrix {
namespace {

// Codewords of ISO/IEC 16022 Table 2.
constexpr std::uint8_t pad_codeword = 129;
constexpr std::uint8_t digit_pair_base = 130;
constexpr std::uint8_t latch_c40 = 230;
constexpr std::uint8_t latch_base256 = 231;
constexpr std::uint8_t fnc1 = 232;
constexpr std::uint8_t upper_shift = 235;
constexpr std::uint8_t macro05 = 236;
constexpr std::uint8_t macro06 = 237;
constexpr std::uint8_t latch_x12 = 238;
constexpr std::uint8_t latch_text = 239;
constexpr std::uint8_t latch_edifact = 240;
constexpr std::uint8_t unlatch = 254;
constexpr std::uint8_t edifact_unlatch = 31;

// Planner states. C40, Text and X12 carry the number of values waiting for their triple, EDIFACT the number of
// values waiting for their quadruple. Base 256 is two states: a segment of at most 249 bytes so far (one length
// byte) and a longer one (two length bytes).
enum State : std::uint8_t { A, C0, C1, C2, T0, T1, T2, X0, X1, X2, E0, E1, E2, E3, B1, B2, state_count };

constexpr int infinity = std::numeric_limits<int>::max() / 4;
constexpr int longest_short_base256 = 249;

constexpr bool is_digit(std::uint8_t b) { return b >= '0' && b <= '9'; }
constexpr bool is_x12(std::uint8_t b) {
    return b == '\r' || b == '*' || b == '>' || b == ' ' || is_digit(b) || (b >= 'A' && b <= 'Z');
}
constexpr bool is_edifact(std::uint8_t b) { return b >= 32 && b <= 94; }

// C40 (text false) and Text values of one byte, ISO/IEC 16022 Annex C: basic set one value, shift sets two,
// bytes above 127 an Upper Shift (Shift 2, 30) before the values of the byte less 128. Returns the count.
int c40_values(std::uint8_t b, bool text, std::uint8_t* out) {
    int count = 0;
    if (b >= 128) {
        out[count++] = 1;
        out[count++] = 30;
        b = std::uint8_t(b - 128);
    }
    const bool basic_upper = b >= 'A' && b <= 'Z';
    const bool basic_lower = b >= 'a' && b <= 'z';
    if (b == ' ') {
        out[count++] = 3;
    } else if (is_digit(b)) {
        out[count++] = std::uint8_t(b - '0' + 4);
    } else if (text ? basic_lower : basic_upper) {
        out[count++] = std::uint8_t(b - (text ? 'a' : 'A') + 14);
    } else if (b < 32) {
        out[count++] = 0;
        out[count++] = b;
    } else if (b <= 47) {
        out[count++] = 1;
        out[count++] = std::uint8_t(b - 33);
    } else if (b <= 64) {
        out[count++] = 1;
        out[count++] = std::uint8_t(b - 43);
    } else if (b >= 91 && b <= 95) {
        out[count++] = 1;
        out[count++] = std::uint8_t(b - 69);
    } else {
        // Shift 3: '`', the other case's letters, '{' to DEL.
        out[count++] = 2;
        out[count++] = std::uint8_t(b == 96 ? 0 : (basic_upper || basic_lower) ? b - (text ? 'A' : 'a') + 1 : b - 96);
    }
    return count;
}

constexpr int c40_value_count(std::uint8_t b, bool text) {
    int count = 0;
    if (b >= 128) {
        count = 2;
        b = std::uint8_t(b - 128);
    }
    const bool basic = b == ' ' || is_digit(b) || (text ? (b >= 'a' && b <= 'z') : (b >= 'A' && b <= 'Z'));
    return count + (basic ? 1 : 2);
}

constexpr std::uint8_t x12_value(std::uint8_t b) {
    switch (b) {
    case '\r': return 0;
    case '*': return 1;
    case '>': return 2;
    case ' ': return 3;
    default: return std::uint8_t(is_digit(b) ? b - '0' + 4 : b - 'A' + 14);
    }
}

// ASCII codewords of data[i, end): digit pairs taken greedily, which is optimal within ASCII.
int ascii_cost(std::span<const std::uint8_t> data, std::size_t i) {
    int cost = 0;
    while (i < data.size()) {
        if (i + 1 < data.size() && is_digit(data[i]) && is_digit(data[i + 1])) {
            i += 2;
            cost += 1;
        } else {
            cost += data[i] >= 128 ? 2 : 1;
            i += 1;
        }
    }
    return cost;
}

void append_ascii(std::span<const std::uint8_t> data, std::size_t i, std::size_t end, std::vector<std::uint8_t>& out) {
    while (i < end) {
        const std::uint8_t b = data[i];
        if (i + 1 < end && is_digit(b) && is_digit(data[i + 1])) {
            out.push_back(std::uint8_t(digit_pair_base + (b - '0') * 10 + (data[i + 1] - '0')));
            i += 2;
            continue;
        }
        if (b >= 128) {
            out.push_back(upper_shift);
            out.push_back(std::uint8_t(b - 127));
        } else {
            out.push_back(std::uint8_t(b + 1));
        }
        i += 1;
    }
}

// The 255-state algorithm of Base 256 (ISO/IEC 16022 Annex B.1); `position` counts codewords from 1.
constexpr std::uint8_t randomise_255(int value, std::size_t position) {
    return std::uint8_t((value + int(149 * position % 255) + 1) & 0xFF);
}

// The 253-state algorithm of the pads (ISO/IEC 16022 Annex B.1.1).
constexpr std::uint8_t randomise_253(std::size_t position) {
    const int value = pad_codeword + int(149 * position % 253) + 1;
    return std::uint8_t(value <= 254 ? value : value - 254);
}

constexpr State base_state(State s) {
    return s >= E0 && s <= E3 ? E0 : s >= X0 ? X0 : s >= T0 ? T0 : s >= C0 ? C0 : A;
}

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

struct Choice {
    int total = infinity;
    std::size_t position = 0;
    State state = A;
    Ending ending = Ending::Ascii;
};

// The fewest codewords for capacity `capacity`, among the plain end and the standard's end-of-data shortcuts.
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

class Emitter {
public:
    Emitter(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out, int capacity)
        : data_(data), out_(out), capacity_(capacity) {}

    void latch(State to) {
        static constexpr std::array<std::uint8_t, state_count> latches{
            0, latch_c40, 0, 0, latch_text, 0, 0, latch_x12, 0, 0, latch_edifact, 0, 0, 0, 0, 0};
        out_.push_back(latches[to]);
        values_count_ = 0;
    }

    void unlatch_to_ascii(State from) {
        if (from >= E0 && from <= E3) {
            values_[values_count_++] = edifact_unlatch;
            flush_edifact(true);
        } else if (from != B1 && from != B2) {
            out_.push_back(unlatch);
        }
    }

    void character(std::size_t i, State mode) {
        const std::uint8_t b = data_[i];
        switch (base_state(mode)) {
        case C0:
        case T0:
            values_count_ += c40_values(b, base_state(mode) == T0, values_.data() + values_count_);
            flush_triples();
            break;
        case X0:
            values_[values_count_++] = x12_value(b);
            flush_triples();
            break;
        case E0:
            values_[values_count_++] = std::uint8_t(b & 63);
            if (values_count_ == 4) flush_edifact(false);
            break;
        default: append_ascii(data_, i, i + 1, out_); break;
        }
    }

    void digit_pair(std::size_t i) { append_ascii(data_, i, i + 2, out_); }

    // The segment [s, e); ending at the end of the data with nothing after it, the length may be written as 0
    // ("to the end of the symbol"): done when the symbol is exactly full that way and, for a long segment,
    // only when the explicit length would not fit.
    void base256(std::size_t s, std::size_t e, bool last) {
        const std::size_t length = e - s;
        const std::size_t field = length <= std::size_t(longest_short_base256) ? 1 : 2;
        const std::size_t explicit_end = out_.size() + 1 + field + length;
        const bool to_end = last && (field == 1 ? explicit_end == std::size_t(capacity_)
                                                : explicit_end == std::size_t(capacity_) + 1);
        out_.push_back(latch_base256);
        if (to_end) {
            push_randomised(0);
        } else if (field == 1) {
            push_randomised(int(length));
        } else {
            push_randomised(int(length / 250 + 249));
            push_randomised(int(length % 250));
        }
        for (std::size_t i = s; i < e; ++i) push_randomised(data_[i]);
    }

    void pad_triple() {
        values_[values_count_++] = 0;
        flush_triples();
    }

    std::size_t open_values() const { return values_count_; }
    void discard_open_values() { values_count_ = 0; }

private:
    void push_randomised(int value) { out_.push_back(randomise_255(value, out_.size() + 1)); }

    void flush_triples() {
        std::size_t k = 0;
        for (; k + 3 <= values_count_; k += 3) {
            const int v = 1600 * values_[k] + 40 * values_[k + 1] + values_[k + 2] + 1;
            out_.push_back(std::uint8_t(v >> 8));
            out_.push_back(std::uint8_t(v & 0xFF));
        }
        std::copy(values_.begin() + k, values_.begin() + values_count_, values_.begin());
        values_count_ -= k;
    }

    // Four 6-bit values make three codewords; a shorter final group (ending in the unlatch) keeps only the
    // codewords its bits reach, the rest of the last one zero.
    void flush_edifact(bool partial) {
        std::uint32_t bits = 0;
        for (std::size_t k = 0; k < 4; ++k) bits = bits << 6 | (k < values_count_ ? values_[k] : 0u);
        const std::size_t bytes = partial ? (values_count_ * 6 + 7) / 8 : 3;
        for (std::size_t k = 0; k < bytes; ++k) out_.push_back(std::uint8_t(bits >> (16 - 8 * k)));
        values_count_ = 0;
    }

    std::span<const std::uint8_t> data_;
    std::vector<std::uint8_t>& out_;
    int capacity_;
    std::array<std::uint8_t, 8> values_{};
    std::size_t values_count_ = 0;
};

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

// The preferred plan. For every position and scheme it keeps a single partial encodation: the smallest, where
// values still waiting for their C40/Text/X12 triple count 2/3 of a codeword each and those waiting for their
// EDIFACT quadruple 3/4, and where an open Base 256 segment that would reach 250 bytes by running to the end of
// the data already counts its second length codeword. Every scheme may open the symbol without a change being
// counted. Each step changes scheme (or not) and encodes the next character (two for an ASCII digit pair); among
// equally small candidates the one with fewer scheme changes stays, then the one met last in `step_order`.
// These choices settle ties the same way every time and favour long runs in one scheme. One partial per scheme
// is not always the fewest codewords (a scheme entered a character later can close a group earlier), so the
// exact plan above decides whether the preferred one may be used.

enum Scheme : std::uint8_t { Ascii, C40, Text, X12, Edifact, Base256, scheme_count };

constexpr std::array<Scheme, scheme_count> step_order{X12, Text, Base256, Edifact, Ascii, C40};
// Between plans that end with equally many codewords (and scheme changes): the first of these.
constexpr std::array<Scheme, scheme_count> end_order{Ascii, Base256, Edifact, X12, Text, C40};

// Bytes that an EDIFACT unlatch takes with 0 to 3 values still open: the values and the unlatch value, rounded up.
constexpr std::array<int, 4> edifact_unlatch_bytes{1, 2, 3, 3};

struct Partial {
    std::int32_t codewords = -1;  // complete codewords written; -1 when no plan reaches this state
    std::uint16_t bytes = 0;      // Base 256: bytes of the open segment
    std::uint16_t switches = 0;   // scheme changes so far
    std::uint8_t pending = 0;     // values waiting for their triple (C40/Text/X12) or quadruple (EDIFACT)
    Scheme from = Ascii;          // scheme of the step before
    std::uint8_t step = 0;        // characters taken by the last step: 1, or 2 for an ASCII digit pair

    bool reached() const { return codewords >= 0; }
};

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

// Where the preferred plan ends in a symbol of a given capacity, and with how many codewords before the pads.
struct PreferredEnd {
    Scheme scheme = Ascii;
    int total = infinity;
};

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

constexpr State scheme_state(Scheme s) {
    constexpr std::array<State, scheme_count> states{A, C0, T0, X0, E0, B1};
    return states[s];
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

}  // namespace

std::optional<Encodation> encode_data_codewords(std::span<const std::uint8_t> payload, bool gs1,
                                                std::span<const SymbolSize> sizes) {
    std::vector<std::uint8_t> out;
    out.reserve(max_data_codewords);
    if (gs1) out.push_back(fnc1);

    // Macro 05/06: header "[)>" RS "05"/"06" GS and trailer RS EOT, both implied by the one codeword.
    static constexpr std::uint8_t header[] = {'[', ')', '>', 0x1E, '0', '5', 0x1D};
    if (payload.size() >= 9 && std::equal(header, header + 4, payload.begin()) && payload[4] == '0' &&
        (payload[5] == '5' || payload[5] == '6') && payload[6] == 0x1D && payload[payload.size() - 2] == 0x1E &&
        payload.back() == 0x04) {
        out.push_back(payload[5] == '5' ? macro05 : macro06);
        payload = payload.subspan(7, payload.size() - 9);
    }

    // Two digits per codeword is the densest any scheme gets.
    int largest = 0;
    for (const auto& size : sizes) largest = std::max<int>(largest, size.data_codewords);
    if (payload.size() > 2 * std::size_t(largest)) return std::nullopt;

    // The exact plan gives the fewest codewords for each size; the preferred plan is written whenever it
    // reaches that count, which it does for all but a few long mixed payloads.
    Plan exact{payload, {}, {}, {}};
    exact.run(int(out.size()));
    const PreferredPlan preferred(payload, int(out.size()));
    for (const auto& size : sizes) {
        const int capacity = size.data_codewords;
        const Choice choice = choose_end(exact, capacity);
        if (choice.total > capacity) continue;
        const PreferredEnd end = preferred_end(preferred, capacity);
        if (end.total <= choice.total) {
            emit_preferred(preferred, end, capacity, out);
        } else {
            emit(exact, choice, capacity, out);
        }
        if (out.size() < std::size_t(capacity)) out.push_back(pad_codeword);
        for (std::size_t k = out.size(); k < std::size_t(capacity); ++k) out.push_back(randomise_253(k + 1));
        return Encodation{std::move(out), size};
    }
    return std::nullopt;
}

}  // namespace tavlo::datamatrix
