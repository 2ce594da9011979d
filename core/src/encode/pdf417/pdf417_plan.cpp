#include <algorithm>
#include <array>
#include <limits>

#include "../../assert.hpp"
#include "pdf417_plan.hpp"
#include "pdf417_text.hpp"

namespace tavlo::pdf417 {
namespace {

// Costs are in half codewords: a text value is one, every other codeword two.
using Cost = std::int32_t;
constexpr Cost no_route = std::numeric_limits<Cost>::max() / 2;
constexpr Cost codeword = 2;

using Row = std::array<Cost, state_count>;

// A back pointer: the state before, and for an arrival how the character was taken.
constexpr std::uint8_t take_shift = 6;
constexpr std::uint8_t pack(std::uint8_t state, Take take) { return std::uint8_t(state | std::uint8_t(take) << take_shift); }

constexpr bool is_digit(std::uint8_t byte) { return byte >= '0' && byte <= '9'; }

// Latches between modes at one position, in place: a byte or numeric run and text end with a latch
// codeword (text first fills its last codeword), and text is entered in Alpha.
void latch_modes(Row& row, std::uint8_t* back) {
    Cost best_text[2] = {row[0], row[1]};
    std::uint8_t best_text_state[2] = {0, 1};
    for (std::uint8_t s = 2; s < text_states; ++s)
        if (row[s] < best_text[s & 1]) best_text[s & 1] = row[s], best_text_state[s & 1] = s;
    Cost best_byte = no_route, best_numeric = no_route;
    std::uint8_t best_byte_state = byte_base, best_numeric_state = numeric_base;
    for (std::uint8_t s = byte_base; s < numeric_base; ++s)
        if (row[s] < best_byte) best_byte = row[s], best_byte_state = s;
    for (std::uint8_t s = numeric_base; s < state_count; ++s)
        if (row[s] < best_numeric) best_numeric = row[s], best_numeric_state = s;

    const auto relax = [&](std::uint8_t to, Cost cost, std::uint8_t from) {
        if (cost < row[to]) row[to] = cost, back[to] = from;
    };
    for (int odd = 0; odd < 2; ++odd) {
        relax(byte_base, best_text[odd] + odd + codeword, best_text_state[odd]);
        relax(numeric_base, best_text[odd] + odd + codeword, best_text_state[odd]);
    }
    relax(numeric_base, best_byte + codeword, best_byte_state);
    relax(byte_base, best_numeric + codeword, best_numeric_state);
    const std::uint8_t alpha = text_state(Submode::Alpha, false);
    if (best_byte < best_numeric)
        relax(alpha, best_byte + codeword, best_byte_state);
    else
        relax(alpha, best_numeric + codeword, best_numeric_state);
}

// Latches between text submodes at one position: `back` already names, for each state, the state it was
// reached from at this position; a latch from a state inherits that origin.
void latch_submodes(Row& row, std::uint8_t* back) {
    const Row before = row;
    std::array<std::uint8_t, text_states> origin;
    std::copy_n(back, text_states, origin.begin());
    for (std::uint8_t from = 0; from < text_states; ++from) {
        if (before[from] >= no_route) continue;
        for (std::uint8_t to_mode = 0; to_mode < 4; ++to_mode) {
            const auto length = latch_length(submode_of(from), Submode(to_mode));
            if (length == 0) continue;
            const auto to = text_state(Submode(to_mode), odd_of(from) != (length & 1));
            if (before[from] + Cost(length) < row[to]) row[to] = before[from] + Cost(length), back[to] = origin[from];
        }
    }
}

}  // namespace

std::uint8_t state_after(std::uint8_t state, Take take) {
    if (is_byte(state)) return state + 1 == numeric_base ? byte_base : state + 1;
    if (is_numeric(state)) return state + 1 == state_count ? numeric_base : state + 1;
    const Submode submode = submode_of(state);
    switch (take) {
    case Take::Direct: return std::uint8_t(state ^ 1);
    case Take::PunctShift:
    case Take::AlphaShift: return state;
    case Take::ByteShift:
        // The value that completes the codeword before the shift is 29: punctuation's latch to Alpha.
        return text_state(submode == Submode::Punct && odd_of(state) ? Submode::Alpha : submode, false);
    }
    return state;
}

std::vector<Step> plan(std::span<const std::uint8_t> data) {
    const std::size_t n = data.size();
    // back_closed[i][s]: the arrival state at i that state s (after latches) came from;
    // back_arrival[i + 1][s]: the state before character i, and how it was taken.
    std::vector<std::uint8_t> back_closed((n + 1) * state_count), back_arrival((n + 1) * state_count);
    Row row;
    row.fill(no_route);
    row[text_state(Submode::Alpha, false)] = 0;
    for (std::size_t i = 0;; ++i) {
        std::uint8_t* back = back_closed.data() + i * state_count;
        for (std::uint8_t s = 0; s < state_count; ++s) back[s] = s;
        latch_modes(row, back);
        latch_submodes(row, back);
        if (i == n) break;

        const std::uint8_t byte = data[i];
        Row next;
        next.fill(no_route);
        std::uint8_t* arrival = back_arrival.data() + (i + 1) * state_count;
        const auto relax = [&](std::uint8_t from, Take take, Cost cost) {
            const std::uint8_t to = state_after(from, take);
            if (row[from] + cost < next[to]) next[to] = row[from] + cost, arrival[to] = pack(from, take);
        };
        const bool punct = text_value(Submode::Punct, byte) >= 0;
        const bool upper = text_value(Submode::Alpha, byte) >= 0;
        for (std::uint8_t s = 0; s < text_states; ++s) {
            if (row[s] >= no_route) continue;
            const Submode submode = submode_of(s);
            if (text_value(submode, byte) >= 0) relax(s, Take::Direct, 1);
            if (punct && submode != Submode::Punct) relax(s, Take::PunctShift, 2);
            if (upper && submode == Submode::Lower) relax(s, Take::AlphaShift, 2);
            relax(s, Take::ByteShift, Cost(odd_of(s)) + 2 * codeword);
        }
        // The sixth byte of a group completes five codewords that the five before it already paid for.
        for (std::uint8_t s = byte_base; s < numeric_base; ++s)
            if (row[s] < no_route) relax(s, Take::Direct, s + 1 == numeric_base ? 0 : codeword);
        // A group of d digits, "1" and the digits read as a number in base 900, takes d / 3 + 1 codewords: one
        // more with the group's first digit and with its 3rd, 6th, ... 42nd.
        if (is_digit(byte))
            for (std::uint8_t s = numeric_base; s < state_count; ++s) {
                if (row[s] >= no_route) continue;
                const std::uint8_t d = s - numeric_base;
                relax(s, Take::Direct, d == 0 || (d + 1) % 3 == 0 ? codeword : 0);
            }
        row = next;
    }

    // The end: text fills its last codeword.
    std::uint8_t state = 0;
    Cost best = no_route;
    for (std::uint8_t s = 0; s < state_count; ++s) {
        const Cost total = row[s] + (is_text(s) ? Cost(odd_of(s)) : 0);
        if (total < best) best = total, state = s;
    }
    TAVLO_ASSERT(best < no_route);

    std::vector<Step> steps(n);
    for (std::size_t i = n; i > 0; --i) {
        const std::uint8_t arrival = back_closed[i * state_count + state];
        const std::uint8_t packed = back_arrival[i * state_count + arrival];
        steps[i - 1] = Step{std::uint8_t(packed & ((1u << take_shift) - 1)), Take(packed >> take_shift)};
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
