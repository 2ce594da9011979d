#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <utility>

#include "../../assert.hpp"
#include "pdf417_plan.hpp"
#include "pdf417_text.hpp"

namespace tavlo::pdf417 {
namespace {

// Costs are in half codewords: a text value is one, every other codeword two.
using Cost = std::int32_t;
// Unreachable: any cost at or above it. Every comparison below is strict and every step adds a positive cost,
// so an unreachable state never wins against a reachable one and the costs and back pointers of reachable
// states do not depend on what an unreachable one holds. An unreachable run state's cost may drift past it,
// by at most a group's cost: a run's first state is held at no_route (take_byte, take_digit).
constexpr Cost no_route = std::numeric_limits<Cost>::max() / 2;
constexpr Cost codeword = 2;

// A back pointer: the state before, and for an arrival how the character was taken.
constexpr std::uint8_t take_shift = 6;
constexpr std::uint8_t pack(std::uint8_t state, Take take) { return std::uint8_t(state | std::uint8_t(take) << take_shift); }

// What the planner keeps per position to walk the plan back. Only a text state can be reached more ways than
// one: a byte or numeric state after a character always comes from the one before it (the run one longer),
// and only the first state of a run or text can be entered by a latch. So a position keeps, for the 8 text
// states, the state and take each arrived from, and for those and the two run starts, the state a latch
// came from (itself when none). 18 bytes a position instead of 116: the planner's memory was most of its time.
constexpr std::size_t latched_states = text_states + 2;
constexpr std::size_t latched_byte = text_states, latched_numeric = text_states + 1;
struct Back {
    std::array<std::uint8_t, text_states> arrival;
    std::array<std::uint8_t, latched_states> closed;
};
constexpr std::array<std::uint8_t, latched_states> no_latch = {0, 1, 2, 3, 4, 5, 6, 7, byte_base, numeric_base};

constexpr bool is_digit(std::uint8_t byte) { return byte >= '0' && byte <= '9'; }

// A group of d digits, "1" and the digits read as a number in base 900, takes d / 3 + 1 codewords: one more
// with the group's first digit and with its 3rd, 6th, ... 42nd. group_cost[d]: the first d digits of a group.
constexpr std::array<Cost, numeric_group + 1> group_cost = [] {
    std::array<Cost, numeric_group + 1> cost{};
    for (std::uint8_t d = 0; d < numeric_group; ++d) cost[d + 1] = cost[d] + (d == 0 || (d + 1) % 3 == 0 ? codeword : 0);
    return cost;
}();

// Each text state's submode latches, in the order the planner weighs them (lower state, then lower submode,
// first): the state latched from, the state reached and the values the latch takes.
struct SubmodeLatch {
    std::uint8_t from, to, length;
};
constexpr std::size_t submode_latch_count = text_states * 3;
constexpr std::array<SubmodeLatch, submode_latch_count> submode_latches = [] {
    std::array<SubmodeLatch, submode_latch_count> table{};
    std::size_t k = 0;
    for (std::uint8_t from = 0; from < text_states; ++from)
        for (std::uint8_t to_mode = 0; to_mode < 4; ++to_mode) {
            const auto length = latch_length(submode_of(from), Submode(to_mode));
            if (length == 0) continue;
            table[k++] = {from, text_state(Submode(to_mode), odd_of(from) != (length & 1)), length};
        }
    return table;
}();

// The ways a character can be taken in text from each state, per the submodes it is in (bit m: submode m),
// in the order the planner weighs them: by state, then directly, by the punctuation shift, by the alpha shift
// (from Lower), by the byte shift. A list per character class, where the planner used to test every way of
// every state per character: the relaxation is most of the planner's work.
struct TextEdge {
    std::uint8_t from, to, packed, cost;
};
struct TextEdges {
    std::uint8_t count = 0;
    std::array<TextEdge, text_states * 4> edges{};
};
constexpr std::size_t submode_sets = 16;
constexpr std::array<TextEdges, submode_sets> text_edges = [] {
    std::array<TextEdges, submode_sets> table{};
    for (std::uint8_t in = 0; in < submode_sets; ++in) {
        TextEdges& list = table[in];
        // An edge after one from the same state to the same state at no more cost never lowers a cost (the
        // comparisons are strict): the byte shift after the punctuation or alpha shift from an even state.
        const auto add = [&](std::uint8_t from, Take take, std::uint8_t cost) {
            const std::uint8_t to = state_after(from, take);
            for (std::uint8_t k = 0; k < list.count; ++k)
                if (list.edges[k].from == from && list.edges[k].to == to && list.edges[k].cost <= cost) return;
            list.edges[list.count++] = {from, to, pack(from, take), cost};
        };
        const bool in_alpha = in & (1u << std::uint8_t(Submode::Alpha)), in_punct = in & (1u << std::uint8_t(Submode::Punct));
        for (std::uint8_t s = 0; s < text_states; ++s) {
            const Submode submode = submode_of(s);
            if (in & (1u << std::uint8_t(submode))) add(s, Take::Direct, 1);
            if (in_punct && submode != Submode::Punct) add(s, Take::PunctShift, 2);
            if (in_alpha && submode == Submode::Lower) add(s, Take::AlphaShift, 2);
            add(s, Take::ByteShift, std::uint8_t(odd_of(s) + 2 * codeword));
        }
    }
    return table;
}();

// The submodes each byte is in (bit m: submode m), an index into text_edges.
constexpr std::array<std::uint8_t, 256> submodes_of = [] {
    std::array<std::uint8_t, 256> in{};
    for (unsigned byte = 0; byte < 256; ++byte)
        for (std::uint8_t m = 0; m < 4; ++m)
            if (text_value(Submode(m), std::uint8_t(byte)) >= 0) in[byte] |= std::uint8_t(1u << m);
    return in;
}();

// The costs of all states between two characters: text, byte run (by bytes mod 6) and numeric run (by digits
// of the current group). The numeric run is a ring: state d is kept in slot (head + d) mod 44, less what the
// group has cost so far (group_cost[d]), so that taking a digit moves the head back one and touches only the
// slot that wraps round to a new group, where all 44 states used to be shifted and added to.
struct Row {
    std::array<Cost, text_states> text;
    std::array<Cost, byte_group> bytes;
    std::array<Cost, numeric_group> numeric_slots;
    std::uint8_t numeric_head;
    bool numeric_live;  // false: every numeric state is unreachable (the last character was not a digit)
    // Numeric states at and past it are unreachable (their slots hold anything): a run of d digits reaches
    // state d at most.
    std::uint8_t numeric_span;

    static constexpr std::size_t ring(std::size_t slot, std::size_t group) { return slot >= group ? slot - group : slot; }
    Cost numeric_cost(std::uint8_t d) const { return numeric_slots[ring(numeric_head + d, numeric_group)] + group_cost[d]; }
    Cost& numeric_start() { return numeric_slots[numeric_head]; }
};

// Latches between modes at one position, in place: a byte or numeric run and text end with a latch
// codeword (text first fills its last codeword), and text is entered in Alpha.
void latch_modes(Row& row, Back& back) {
    Cost best_text[2] = {row.text[0], row.text[1]};
    std::uint8_t best_text_state[2] = {0, 1};
    for (std::uint8_t s = 2; s < text_states; s += 2)
        if (row.text[s] < best_text[0]) best_text[0] = row.text[s], best_text_state[0] = s;
    for (std::uint8_t s = 3; s < text_states; s += 2)
        if (row.text[s] < best_text[1]) best_text[1] = row.text[s], best_text_state[1] = s;
    Cost best_byte = no_route;
    std::uint8_t best_byte_state = byte_base;
    for (std::uint8_t b = 0; b < byte_group; ++b)
        if (row.bytes[b] < best_byte) best_byte = row.bytes[b], best_byte_state = std::uint8_t(byte_base + b);
    Cost best_numeric = no_route;
    std::uint8_t best_numeric_state = numeric_base;
    if (row.numeric_live)
        for (std::uint8_t d = 0; d < row.numeric_span; ++d)
            if (const Cost cost = row.numeric_cost(d); cost < best_numeric) best_numeric = cost, best_numeric_state = std::uint8_t(numeric_base + d);

    Cost& byte_start = row.bytes[0];
    if (best_text[0] + codeword < byte_start) byte_start = best_text[0] + codeword, back.closed[latched_byte] = best_text_state[0];
    const Cost numeric_start = row.numeric_live ? row.numeric_start() : no_route;
    Cost to_numeric = numeric_start;
    std::uint8_t numeric_from = numeric_base;
    if (best_text[0] + codeword < to_numeric) to_numeric = best_text[0] + codeword, numeric_from = best_text_state[0];
    if (best_text[1] + 1 + codeword < byte_start)
        byte_start = best_text[1] + 1 + codeword, back.closed[latched_byte] = best_text_state[1];
    if (best_text[1] + 1 + codeword < to_numeric) to_numeric = best_text[1] + 1 + codeword, numeric_from = best_text_state[1];
    if (best_byte + codeword < to_numeric) to_numeric = best_byte + codeword, numeric_from = best_byte_state;
    if (best_numeric + codeword < byte_start) byte_start = best_numeric + codeword, back.closed[latched_byte] = best_numeric_state;
    const std::uint8_t alpha = text_state(Submode::Alpha, false);
    if (best_byte < best_numeric) {
        if (best_byte + codeword < row.text[alpha]) row.text[alpha] = best_byte + codeword, back.closed[alpha] = best_byte_state;
    } else if (best_numeric + codeword < row.text[alpha]) {
        row.text[alpha] = best_numeric + codeword, back.closed[alpha] = best_numeric_state;
    }
    if (to_numeric < numeric_start) {
        if (!row.numeric_live) {
            row.numeric_live = true;
            row.numeric_span = 1;
        }
        row.numeric_start() = to_numeric;
        back.closed[latched_numeric] = numeric_from;
    }
}

// Latches between text submodes at one position: `back` already names, for each state, the state it was
// reached from at this position; a latch from a state inherits that origin. Unrolled over the constant table
// so that the costs stay in registers: as a loop over the table it was a third of the planner's work.
// Latches from the states outside `Reached` are left out: those states hold exactly no_route here, so a
// latch from them never lowers a cost.
template <std::uint8_t Reached, std::size_t... K>
void latch_submodes(Row& row, Back& back, std::index_sequence<K...>) {
    // Only Alpha can have been entered by a latch from a run (latch_modes); any other state's origin is itself.
    const std::uint8_t alpha = text_state(Submode::Alpha, false), alpha_origin = back.closed[alpha];
    const std::array<Cost, text_states> before = row.text;
    std::array<Cost, text_states> text = row.text;
    // Back pointers stored as they change: kept in a local array, they were packed into one register and each
    // change cost five instructions.
    const auto weigh = [&](const SubmodeLatch latch) {
        if (const Cost cost = before[latch.from] + Cost(latch.length); cost < text[latch.to])
            text[latch.to] = cost, back.closed[latch.to] = latch.from == alpha ? alpha_origin : latch.from;
    };
    ((Reached >> submode_latches[K].from & 1 ? weigh(submode_latches[K]) : void()), ...);
    row.text = text;
}

template <std::uint8_t Reached>
void latch_submodes(Row& row, Back& back) { latch_submodes<Reached>(row, back, std::make_index_sequence<submode_latch_count>{}); }

// The text states a character of the submodes `in` can reach (bit s: state s), whatever the costs before it:
// those its edges lead to. Index submode_sets: the start, in Alpha with no value waiting. A state outside it
// is left at no_route by the take, and latch_modes enters text only in Alpha (even), so it holds no_route at
// the next position's submode latches. Most characters reach only some odd states: a letter leaves Mixed
// and Punct odd out, a byte every odd state, and the latches from them are a third of all.
constexpr std::size_t start_set = submode_sets;
constexpr std::array<std::uint8_t, submode_sets + 1> reached_by = [] {
    std::array<std::uint8_t, submode_sets + 1> reached{};
    for (std::size_t in = 0; in < submode_sets; ++in)
        for (std::uint8_t k = 0; k < text_edges[in].count; ++k) reached[in] |= std::uint8_t(1u << text_edges[in].edges[k].to);
    reached[start_set] = 0;
    // latch_modes may enter Alpha from a run before the submode latches.
    for (std::uint8_t& states : reached) states |= std::uint8_t(1u << text_state(Submode::Alpha, false));
    return reached;
}();

using LatchSubmodes = void (*)(Row&, Back&);
// latch_submodes_after[in]: the submode latches at a position after a character of the submodes `in`.
constexpr std::array<LatchSubmodes, submode_sets + 1> latch_submodes_after = []<std::size_t... In>(std::index_sequence<In...>) {
    return std::array<LatchSubmodes, submode_sets + 1>{&latch_submodes<reached_by[In]>...};
}(std::make_index_sequence<submode_sets + 1>{});

// Takes a character of the submodes `In` in text, by every edge of text_edges[In], unrolled as latch_submodes.
// `next` may be `text`: every cost is read before any is written.
template <std::uint8_t In, std::size_t... K>
void take_text(const std::array<Cost, text_states>& text, std::array<Cost, text_states>& next, std::uint8_t* arrival,
               std::index_sequence<K...>) {
    constexpr TextEdges ways = text_edges[In];
    std::array<Cost, text_states> best;
    best.fill(no_route);
    const auto weigh = [&](const TextEdge edge) {
        if (const Cost cost = text[edge.from] + edge.cost; cost < best[edge.to]) best[edge.to] = cost, arrival[edge.to] = edge.packed;
    };
    ((K < ways.count ? weigh(ways.edges[K]) : void()), ...);
    next = best;
}

template <std::uint8_t In>
void take_text(const std::array<Cost, text_states>& text, std::array<Cost, text_states>& next, std::uint8_t* arrival) {
    take_text<In>(text, next, arrival, std::make_index_sequence<text_edges[In].count>{});
}

using TakeText = void (*)(const std::array<Cost, text_states>&, std::array<Cost, text_states>&, std::uint8_t*);
constexpr std::array<TakeText, submode_sets> take_text_of = []<std::size_t... In>(std::index_sequence<In...>) {
    return std::array<TakeText, submode_sets>{&take_text<std::uint8_t(In)>...};
}(std::make_index_sequence<submode_sets>{});

// The sixth byte of a group completes five codewords that the five before it already paid for. Only the
// state that starts a new group is held at no_route: an unreachable state passes through it every six bytes.
void take_byte(Row& row) {
    const Cost last = row.bytes[byte_group - 1];
    for (std::size_t b = byte_group - 1; b > 0; --b) row.bytes[b] = row.bytes[b - 1] + codeword;
    row.bytes[0] = std::min(last, no_route);  // 0 more: the group is complete
}

// Every numeric state moves one digit on; the state past a group's last digit starts the next group (none
// before the run has 44 digits).
void take_digit(Row& row) {
    const bool full = row.numeric_span == numeric_group;
    row.numeric_head = std::uint8_t(row.numeric_head == 0 ? numeric_group - 1 : row.numeric_head - 1);
    Cost& wrapped = row.numeric_start();
    wrapped = full ? std::min(wrapped + group_cost[numeric_group], no_route) : no_route;
    row.numeric_span = std::uint8_t(std::min<unsigned>(row.numeric_span + 1u, numeric_group));
}

// Back pointers of short data live on the stack: an allocation was a tenth of a short symbol's planning.
constexpr std::size_t stack_positions = 256;

void plan_into(std::span<const std::uint8_t> data, std::span<Step> steps) {
    const std::size_t n = data.size();
    TAVLO_ASSERT(steps.size() == n);
    // backs[i]: the back pointers of position i (the arrivals at i, and the latches after them).
    std::array<Back, stack_positions> local;
    std::unique_ptr<Back[]> heap;
    if (n + 1 > stack_positions) heap = std::make_unique_for_overwrite<Back[]>(n + 1);
    Back* const backs = heap ? heap.get() : local.data();
    Row row;
    row.text.fill(no_route);
    row.bytes.fill(no_route);
    row.numeric_head = 0;
    row.numeric_live = false;
    row.numeric_span = 0;
    row.text[text_state(Submode::Alpha, false)] = 0;
    std::uint8_t previous = start_set;  // the submodes of the character before, an index into latch_submodes_after
    for (std::size_t i = 0;; ++i) {
        Back& back = backs[i];
        back.closed = no_latch;
        latch_modes(row, back);
        latch_submodes_after[previous](row, back);
        if (i == n) break;

        const std::uint8_t byte = data[i];
        previous = submodes_of[byte];
        take_text_of[previous](row.text, row.text, backs[i + 1].arrival.data());
        take_byte(row);
        if (is_digit(byte) && row.numeric_live) {
            take_digit(row);
        } else {
            row.numeric_live = false;
        }
    }

    // The end: text fills its last codeword.
    std::uint8_t state = 0;
    Cost best = no_route;
    const auto weigh = [&](std::uint8_t s, Cost total) {
        if (total < best) best = total, state = s;
    };
    for (std::uint8_t s = 0; s < text_states; ++s) weigh(s, row.text[s] + Cost(odd_of(s)));
    for (std::uint8_t b = 0; b < byte_group; ++b) weigh(std::uint8_t(byte_base + b), row.bytes[b]);
    if (row.numeric_live)
        for (std::uint8_t d = 0; d < row.numeric_span; ++d) weigh(std::uint8_t(numeric_base + d), row.numeric_cost(d));
    TAVLO_ASSERT(best < no_route);

    for (std::size_t i = n; i > 0; --i) {
        const Back& back = backs[i];
        const std::uint8_t arrival = is_text(state)            ? back.closed[state]
                                     : state == byte_base      ? back.closed[latched_byte]
                                     : state == numeric_base   ? back.closed[latched_numeric]
                                                               : state;
        if (is_text(arrival)) {
            const std::uint8_t packed = back.arrival[arrival];
            steps[i - 1] = Step{std::uint8_t(packed & ((1u << take_shift) - 1)), Take(packed >> take_shift)};
        } else {
            const std::uint8_t first = is_byte(arrival) ? byte_base : numeric_base;
            const std::uint8_t group = is_byte(arrival) ? byte_group : numeric_group;
            steps[i - 1] = Step{std::uint8_t(arrival == first ? first + group - 1 : arrival - 1), Take::Direct};
        }
        state = steps[i - 1].state;
    }
}

}  // namespace

std::vector<Step> plan(std::span<const std::uint8_t> data) {
    std::vector<Step> steps(data.size());
    plan_into(data, steps);
    return steps;
}

void compact(std::span<const std::uint8_t> data, std::vector<std::uint16_t>& out) {
    std::array<Step, stack_positions> local;
    std::vector<Step> heap;
    if (data.size() > stack_positions) heap.resize(data.size());
    const std::span<Step> steps = heap.empty() ? std::span(local).first(data.size()) : std::span(heap);
    plan_into(data, steps);
    write_plan(data, steps, out);
}

std::vector<std::uint16_t> compact(std::span<const std::uint8_t> data) {
    std::vector<std::uint16_t> out;
    out.reserve(data.size() + 8);
    compact(data, out);
    return out;
}

}  // namespace tavlo::pdf417
