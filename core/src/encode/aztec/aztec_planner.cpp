#include "aztec_planner.hpp"

#include <array>
#include <algorithm>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "aztec_modes.hpp"

namespace tavlo::aztec {
namespace {

// How a state was reached. Every arrival leaves the mode where it was: a shift or a Binary Shift run returns
// to the mode it was given in.
enum class Via : std::uint8_t { Start, Direct, PunctShift, UpperShift, Binary };

constexpr std::uint32_t unreachable = std::numeric_limits<std::uint32_t>::max() / 2;

struct Arrival {
    std::uint32_t bits = unreachable;
    std::uint16_t length = 0;  // bytes the last step took: 1 or 2 for a character (a Punct pair), a run's length
    Via via = Via::Start;
};

struct Settled {
    std::uint32_t bits = unreachable;
    Mode from = Upper;  // the arrival latched from; itself when no latch was written
};

// Binary Shift: 5 bits of B/S, then 5 bits of length for 1 to 31 bytes; 32 to 62 bytes are cheapest as two
// such runs (20 bits), and 63 to 2078 take the long form, 5 zero bits and 11 bits of length - 31 (21 bits).
struct RunWindow {
    unsigned shortest;
    unsigned longest;
    unsigned header_bits;
};
constexpr std::array<RunWindow, 3> run_windows = {{{1, 31, 10}, {32, 62, 20}, {63, 2078, 21}}};
constexpr unsigned longest_run = 2078;
constexpr unsigned bits_per_byte = 8;

// The run starts of one mode, for the least of settled bits - 8 * start over the starts each window allows
// for the end being looked at: one queue of starts with increasing value (a later start of as little
// value drops an earlier one), over the longest window. The least over the starts from some `first` on is
// then the first start in the queue at or after `first`, the same start a queue of that window alone
// would give; a cursor per shorter window finds it. A window's range may so take in shorter runs than its
// own, at its dearer header: such a run never wins, since its start's own window offers it cheaper (the
// headers grow with the window). Three windows in one queue: a third of the pushes (1,000 bytes of text,
// 1.70M to 1.5M instructions).
class RunStarts {
public:
    // `storage`: room for a start at every position.
    explicit RunStarts(std::span<std::uint32_t> storage) : starts_(storage) {}

    void push(std::uint32_t start, std::int64_t value, std::span<const std::int64_t> values) {
        while (tail_ > head_ && values[starts_[tail_ - 1]] >= value) --tail_;
        starts_[tail_++] = start;
        for (std::size_t& cursor : cursors_) cursor = std::min(cursor, tail_ - 1);
    }
    void drop_before(std::int64_t first) {
        while (head_ < tail_ && std::int64_t(starts_[head_]) < first) ++head_;
    }
    // The least-valued start at or after `first` for window w (whose `first` only grows), or none.
    std::optional<std::uint32_t> least_from(std::size_t w, std::int64_t first) {
        if (w + 1 == run_windows.size()) return head_ < tail_ ? std::optional(starts_[head_]) : std::nullopt;
        std::size_t& cursor = cursors_[w];
        cursor = std::max(cursor, head_);
        while (cursor < tail_ && std::int64_t(starts_[cursor]) < first) ++cursor;
        return cursor < tail_ ? std::optional(starts_[cursor]) : std::nullopt;
    }

private:
    std::span<std::uint32_t> starts_;
    std::size_t head_ = 0, tail_ = 0;
    std::array<std::size_t, run_windows.size() - 1> cursors_{};  // the shorter windows' first candidates
};

// The widths of latches[from][to], by themselves for the planner's inner loop.
constexpr auto latch_bits = [] {
    std::array<std::array<std::uint32_t, mode_count>, mode_count> bits{};
    for (int from = 0; from < mode_count; ++from)
        for (int to = 0; to < mode_count; ++to) bits[from][to] = latches[from][to].bits;
    return bits;
}();

struct Step {
    Via via;
    Mode mode;
    Mode latch_from;  // the mode latched from before the step, `mode` when none
    std::uint32_t at;
    std::uint16_t length;
};

void write_latch(Mode from, Mode to, BitString& out) {
    const Latch& latch = latches[from][to];
    for (unsigned k = 0; k < latch.count; ++k) out.put(latch.codes[k], latch.widths[k]);
}

void write_binary_run(std::span<const std::uint8_t> bytes, BitString& out) {
    std::size_t length = bytes.size();
    std::size_t at = 0;
    if (length >= 32 && length <= 62) {  // two short runs
        out.put(binary_shift, 5);
        out.put(31, 5);
        for (; at < 31; ++at) out.put(bytes[at], bits_per_byte);
        length -= 31;
    }
    out.put(binary_shift, 5);
    if (length <= 31) {
        out.put(unsigned(length), 5);
    } else {
        out.put(0, 5);
        out.put(unsigned(length - 31), 11);
    }
    for (; at < bytes.size(); ++at) out.put(bytes[at], bits_per_byte);
}

// append_encodation for one tie-break, fixed at compile time: the planner's loops weigh it for every way into
// every state.
template <bool later>
void append_with(std::span<const std::uint8_t> data, BitString& out, PlanBias bias) {
    const std::size_t n = data.size();
    const auto& code = code_table.code;
    std::vector<std::array<Arrival, mode_count>> arrival(n + 1);
    std::vector<std::array<Settled, mode_count>> settled(n + 1);
    arrival[0][Upper].bits = 0;

    // Binary Shift is given in Upper, Lower or Mixed; Digit and Punct latch to Upper first.
    constexpr std::array<Mode, 3> binary_modes = {Upper, Lower, Mixed};
    // One block each for the three modes' start values and run starts: the planner's allocations were a
    // tenth of a short message's time.
    std::vector<std::int64_t> start_values(3 * (n + 1), 0);
    std::vector<std::uint32_t> start_storage(3 * (n + 1));
    std::array<std::span<std::int64_t>, 3> start_value;
    for (std::size_t b = 0; b < 3; ++b) start_value[b] = std::span(start_values).subspan(b * (n + 1), n + 1);
    std::array<RunStarts, 3> runs = {RunStarts(std::span(start_storage).subspan(0, n + 1)),
                                     RunStarts(std::span(start_storage).subspan(n + 1, n + 1)),
                                     RunStarts(std::span(start_storage).subspan(2 * (n + 1), n + 1))};

    auto arrive = [&](std::size_t at, Mode mode, std::uint32_t bits, std::size_t length, Via via) {
        Arrival& a = arrival[at][mode];
        if (bits < a.bits || (later && bits == a.bits)) a = {bits, std::uint16_t(length), via};
    };

    for (std::size_t i = 0; i <= n; ++i) {
        // The windows a run ending here can be as long as: a later window's starts would be those of the
        // window before, at a dearer header, which never arrives first.
        const std::size_t live_windows = i < run_windows[1].shortest ? 1 : i < run_windows[2].shortest ? 2 : 3;
        // Runs of bytes ending here, from each mode that gives Binary Shift.
        for (std::size_t b = 0; b < binary_modes.size(); ++b) {
            const Mode mode = binary_modes[b];
            RunStarts& starts = runs[b];
            if (i >= 1 && settled[i - 1][mode].bits < unreachable) starts.push(std::uint32_t(i - 1), start_value[b][i - 1], start_value[b]);
            starts.drop_before(std::int64_t(i) - std::int64_t(longest_run));
            for (std::size_t w = 0; w < live_windows; ++w) {
                const RunWindow& window = run_windows[w];
                const auto start = starts.least_from(w, std::int64_t(i) - std::int64_t(window.longest));
                if (!start) continue;
                const std::int64_t bits = start_value[b][*start] + std::int64_t(bits_per_byte * i) + window.header_bits + bias.binary_penalty;
                arrive(i, mode, std::uint32_t(bits), i - *start, Via::Binary);
            }
        }
        // Latches: the cheapest way into each mode from whatever arrived here.
        std::array<std::uint32_t, mode_count> arrived;
        for (int from = 0; from < mode_count; ++from) arrived[from] = arrival[i][from].bits;
        for (int to = 0; to < mode_count; ++to) {
            Settled best;
            for (int from = 0; from < mode_count; ++from) {
                const std::uint32_t bits = arrived[from] + latch_bits[from][to];
                if (bits < best.bits || (later && bits == best.bits && best.bits < unreachable)) best = {bits, Mode(from)};
            }
            settled[i][to] = best;
        }
        for (std::size_t b = 0; b < binary_modes.size(); ++b)
            start_value[b][i] = std::int64_t(settled[i][binary_modes[b]].bits) - std::int64_t(bits_per_byte * i);
        if (i == n) break;

        // Characters from here: in the mode itself, or shifted for one character.
        const std::uint8_t c = data[i];
        const int pair = i + 1 < n ? punct_pair(c, data[i + 1]) : -1;
        for (int m = 0; m < mode_count; ++m) {
            const Mode mode = Mode(m);
            const std::uint32_t bits = settled[i][mode].bits;
            if (bits >= unreachable) continue;
            const unsigned width = code_bits(mode);
            if (code[mode][c] >= 0) arrive(i + 1, mode, bits + width, 1, Via::Direct);
            if (mode == Punct) {
                if (pair >= 0) arrive(i + 2, mode, bits + width, 2, Via::Direct);
                continue;
            }
            if (code[Punct][c] >= 0) arrive(i + 1, mode, bits + width + 5, 1, Via::PunctShift);
            if (pair >= 0) arrive(i + 2, mode, bits + width + 5, 2, Via::PunctShift);
            if ((mode == Lower || mode == Digit) && code[Upper][c] >= 0)
                arrive(i + 1, mode, bits + width + 5, 1, Via::UpperShift);
        }
    }

    // Walk back from the cheapest end, then write forwards.
    Mode mode = Upper;
    for (int m = 1; m < mode_count; ++m)
        if (settled[n][m].bits < settled[n][mode].bits || (later && settled[n][m].bits == settled[n][mode].bits)) mode = Mode(m);
    std::vector<Step> steps;
    steps.reserve(n + 1);
    out.bits.reserve(out.size() + settled[n][mode].bits);
    for (std::size_t at = n;;) {
        const Mode from = settled[at][mode].from;
        const Arrival& a = arrival[at][from];
        steps.push_back({a.via, mode, from, std::uint32_t(at), a.length});
        if (a.via == Via::Start) break;
        at -= a.length;
        mode = from;
    }
    TAVLO_ASSERT(!steps.empty());
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        // A step arrived in `latch_from` at `at` (from `at - length`) and then latched to `mode`.
        const Mode in = step->latch_from;
        const std::size_t begin = step->at - step->length;
        switch (step->via) {
        case Via::Start:
            break;
        case Via::Direct:
            if (step->length == 2) {
                out.put(unsigned(punct_pair(data[begin], data[begin + 1])), 5);
            } else {
                out.put(unsigned(code[in][data[begin]]), code_bits(in));
            }
            break;
        case Via::PunctShift:
            out.put(punct_shift, code_bits(in));
            out.put(unsigned(step->length == 2 ? punct_pair(data[begin], data[begin + 1]) : code[Punct][data[begin]]), 5);
            break;
        case Via::UpperShift:
            out.put(in == Digit ? digit_upper_shift : lower_upper_shift, code_bits(in));
            out.put(unsigned(code[Upper][data[begin]]), 5);
            break;
        case Via::Binary:
            write_binary_run(data.subspan(begin, step->length), out);
            break;
        }
        write_latch(in, step->mode, out);
    }
}

}  // namespace

void append_encodation(std::span<const std::uint8_t> data, BitString& out, PlanBias bias) {
    if (bias.later)
        append_with<true>(data, out, bias);
    else
        append_with<false>(data, out, bias);
}

}  // namespace tavlo::aztec
