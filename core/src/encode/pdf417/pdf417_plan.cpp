#include <algorithm>
#include <array>
#include <limits>
#include <memory>

#include "../../assert.hpp"
#include "pdf417_plan.hpp"
#include "pdf417_text.hpp"

namespace tavlo::pdf417 {
namespace {

// Costs are in half codewords: a text value is one, every other codeword two.
using Cost = std::int32_t;
// Unreachable: any cost at or above it. A numeric state's cost is advanced without a check for that (see
// `take_digit`), so an unreachable one can grow past it by a few codewords, far from overflowing.
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

constexpr bool is_digit(std::uint8_t byte) { return byte >= '0' && byte <= '9'; }

// A group of d digits, "1" and the digits read as a number in base 900, takes d / 3 + 1 codewords: one more
// with the group's first digit and with its 3rd, 6th, ... 42nd. digit_cost[d]: taking a digit after d.
constexpr std::array<Cost, numeric_group> digit_cost = [] {
    std::array<Cost, numeric_group> cost{};
    for (std::uint8_t d = 0; d < numeric_group; ++d) cost[d] = d == 0 || (d + 1) % 3 == 0 ? codeword : 0;
    return cost;
}();

// Each text state's submode latches in the order the planner weighs them (lower submode first): the state
// reached and the values the latch takes.
struct SubmodeLatch {
    std::uint8_t to, length;
};
constexpr std::array<std::array<SubmodeLatch, 3>, text_states> submode_latches = [] {
    std::array<std::array<SubmodeLatch, 3>, text_states> table{};
    for (std::uint8_t from = 0; from < text_states; ++from) {
        std::size_t k = 0;
        for (std::uint8_t to_mode = 0; to_mode < 4; ++to_mode) {
            const auto length = latch_length(submode_of(from), Submode(to_mode));
            if (length == 0) continue;
            table[from][k++] = {text_state(Submode(to_mode), odd_of(from) != (length & 1)), length};
        }
    }
    return table;
}();

// The costs of all states between two characters: text, byte run (by bytes mod 6) and numeric run (by digits
// of the current group).
struct Row {
    std::array<Cost, text_states> text;
    std::array<Cost, byte_group> bytes;
    std::array<Cost, numeric_group> numeric;
    bool numeric_live;  // false: every numeric state is unreachable (the last character was not a digit)
    // Numeric states at and past it are unreachable: a run of d digits reaches state d at most.
    std::uint8_t numeric_span;

    Cost& at(std::uint8_t state) {
        return is_text(state) ? text[state] : is_byte(state) ? bytes[state - byte_base] : numeric[state - numeric_base];
    }
};

// Latches between modes at one position, in place: a byte or numeric run and text end with a latch
// codeword (text first fills its last codeword), and text is entered in Alpha.
void latch_modes(Row& row, Back& back) {
    Cost best_text[2] = {row.text[0], row.text[1]};
    std::uint8_t best_text_state[2] = {0, 1};
    for (std::uint8_t s = 2; s < text_states; ++s)
        if (row.text[s] < best_text[s & 1]) best_text[s & 1] = row.text[s], best_text_state[s & 1] = s;
    Cost best_byte = no_route;
    std::uint8_t best_byte_state = byte_base;
    for (std::uint8_t b = 0; b < byte_group; ++b)
        if (row.bytes[b] < best_byte) best_byte = row.bytes[b], best_byte_state = std::uint8_t(byte_base + b);
    Cost best_numeric = no_route;
    std::uint8_t best_numeric_state = numeric_base;
    if (row.numeric_live)
        for (std::uint8_t d = 0; d < row.numeric_span; ++d)
            if (row.numeric[d] < best_numeric) best_numeric = row.numeric[d], best_numeric_state = std::uint8_t(numeric_base + d);

    if (best_text[0] + codeword < row.bytes[0]) row.bytes[0] = best_text[0] + codeword, back.closed[latched_byte] = best_text_state[0];
    const Cost numeric_start = row.numeric_live ? row.numeric[0] : no_route;
    Cost to_numeric = numeric_start;
    std::uint8_t numeric_from = numeric_base;
    if (best_text[0] + codeword < to_numeric) to_numeric = best_text[0] + codeword, numeric_from = best_text_state[0];
    if (best_text[1] + 1 + codeword < row.bytes[0])
        row.bytes[0] = best_text[1] + 1 + codeword, back.closed[latched_byte] = best_text_state[1];
    if (best_text[1] + 1 + codeword < to_numeric) to_numeric = best_text[1] + 1 + codeword, numeric_from = best_text_state[1];
    if (best_byte + codeword < to_numeric) to_numeric = best_byte + codeword, numeric_from = best_byte_state;
    if (best_numeric + codeword < row.bytes[0]) row.bytes[0] = best_numeric + codeword, back.closed[latched_byte] = best_numeric_state;
    const std::uint8_t alpha = text_state(Submode::Alpha, false);
    if (best_byte < best_numeric) {
        if (best_byte + codeword < row.text[alpha]) row.text[alpha] = best_byte + codeword, back.closed[alpha] = best_byte_state;
    } else if (best_numeric + codeword < row.text[alpha]) {
        row.text[alpha] = best_numeric + codeword, back.closed[alpha] = best_numeric_state;
    }
    if (to_numeric < numeric_start) {
        if (!row.numeric_live) {
            row.numeric.fill(no_route);
            row.numeric_live = true;
            row.numeric_span = 1;
        }
        row.numeric[0] = to_numeric;
        back.closed[latched_numeric] = numeric_from;
    }
}

// Latches between text submodes at one position: `back` already names, for each state, the state it was
// reached from at this position; a latch from a state inherits that origin.
void latch_submodes(Row& row, Back& back) {
    const std::array<Cost, text_states> before = row.text;
    std::array<std::uint8_t, text_states> origin;
    std::copy_n(back.closed.begin(), text_states, origin.begin());
    for (std::uint8_t from = 0; from < text_states; ++from) {
        if (before[from] >= no_route) continue;
        for (const SubmodeLatch& latch : submode_latches[from])
            if (before[from] + Cost(latch.length) < row.text[latch.to])
                row.text[latch.to] = before[from] + Cost(latch.length), back.closed[latch.to] = origin[from];
    }
}

// Which ways a byte can be taken in text, per byte: bit m, in submode m itself; then by the punctuation shift
// and (from Lower) the alpha shift.
constexpr std::uint8_t in_punct_bit = 1u << 4, in_alpha_bit = 1u << 5;
constexpr std::array<std::uint8_t, 256> text_ways = [] {
    std::array<std::uint8_t, 256> ways{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        for (std::uint8_t m = 0; m < 4; ++m)
            if (text_value(Submode(m), std::uint8_t(byte)) >= 0) ways[byte] |= std::uint8_t(1u << m);
        if (text_value(Submode::Punct, std::uint8_t(byte)) >= 0) ways[byte] |= in_punct_bit;
        if (text_value(Submode::Alpha, std::uint8_t(byte)) >= 0) ways[byte] |= in_alpha_bit;
    }
    return ways;
}();

// Where each text state goes when a byte is taken by the byte shift.
constexpr std::array<std::uint8_t, text_states> after_byte_shift = [] {
    std::array<std::uint8_t, text_states> after{};
    for (std::uint8_t s = 0; s < text_states; ++s) after[s] = state_after(s, Take::ByteShift);
    return after;
}();

// The sixth byte of a group completes five codewords that the five before it already paid for.
void take_byte(Row& row) {
    const Cost last = row.bytes[byte_group - 1];
    for (std::size_t b = byte_group - 1; b > 0; --b) row.bytes[b] = row.bytes[b - 1] + codeword;
    row.bytes[0] = last;  // 0 more: the group is complete
    for (Cost& cost : row.bytes) cost = std::min(cost, no_route);
}

// Every numeric state moves one digit on; a state past the group's last digit starts the next group.
void take_digit(Row& row) {
    std::array<Cost, numeric_group> next;
    next[0] = row.numeric[numeric_group - 1] + digit_cost[numeric_group - 1];
    for (std::size_t d = 1; d < numeric_group; ++d) next[d] = row.numeric[d - 1] + digit_cost[d - 1];
    row.numeric = next;
    row.numeric_span = std::uint8_t(std::min<unsigned>(row.numeric_span + 1u, numeric_group));
}

}  // namespace

std::vector<Step> plan(std::span<const std::uint8_t> data) {
    const std::size_t n = data.size();
    // backs[i]: the back pointers of position i (the arrivals at i, and the latches after them).
    const auto backs = std::make_unique_for_overwrite<Back[]>(n + 1);
    Row row;
    row.text.fill(no_route);
    row.bytes.fill(no_route);
    row.numeric_live = false;
    row.numeric_span = 0;
    row.text[text_state(Submode::Alpha, false)] = 0;
    for (std::size_t i = 0;; ++i) {
        Back& back = backs[i];
        for (std::uint8_t s = 0; s < latched_states; ++s) back.closed[s] = s < text_states ? s : s == latched_byte ? byte_base : numeric_base;
        latch_modes(row, back);
        latch_submodes(row, back);
        if (i == n) break;

        const std::uint8_t byte = data[i];
        std::array<Cost, text_states> next;
        next.fill(no_route);
        std::uint8_t* arrival = backs[i + 1].arrival.data();
        // `to` is state_after(from, take), a constant where each is called.
        const auto relax = [&](std::uint8_t from, std::uint8_t to, Take take, Cost cost) {
            TAVLO_ASSERT(to == state_after(from, take));
            if (row.text[from] + cost < next[to]) next[to] = row.text[from] + cost, arrival[to] = pack(from, take);
        };
        const std::uint8_t ways = text_ways[byte];
        for (std::uint8_t s = 0; s < text_states; ++s) {
            if (row.text[s] >= no_route) continue;
            const auto submode = std::uint8_t(submode_of(s));
            if (ways & (1u << submode)) relax(s, s ^ 1, Take::Direct, 1);
            if ((ways & in_punct_bit) && submode != std::uint8_t(Submode::Punct)) relax(s, s, Take::PunctShift, 2);
            if ((ways & in_alpha_bit) && submode == std::uint8_t(Submode::Lower)) relax(s, s, Take::AlphaShift, 2);
            relax(s, after_byte_shift[s], Take::ByteShift, Cost(odd_of(s)) + 2 * codeword);
        }
        row.text = next;
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
    for (std::uint8_t s = 0; s < state_count; ++s) {
        if (is_numeric(s) && !row.numeric_live) break;
        const Cost total = row.at(s) + (is_text(s) ? Cost(odd_of(s)) : 0);
        if (total < best) best = total, state = s;
    }
    TAVLO_ASSERT(best < no_route);

    std::vector<Step> steps(n);
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
    return steps;
}

std::vector<std::uint16_t> compact(std::span<const std::uint8_t> data) {
    std::vector<std::uint16_t> out;
    out.reserve(data.size() + 8);
    write_plan(data, plan(data), out);
    return out;
}

}  // namespace tavlo::pdf417
