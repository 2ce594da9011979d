// The compaction planner of PDF417 and MicroPDF417 (ISO/IEC 15438 clause 5.4, the three compaction modes):
// the fewest data codewords for a byte string, over text compaction with its four submodes, byte compaction
// (six bytes to five codewords) and numeric compaction (44 digits to 15 codewords), by a shortest path over
// the positions of the data, as the Code 128 and Data Matrix planners are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tavlo::pdf417 {

// Where the planner can be between two characters. Text: submode and whether a value waits for the second
// half of its codeword; byte: bytes of the run so far mod 6; numeric: digits of the current group (of 44).
// States are numbered text 0-7 (submode * 2 + odd), byte 8-13, numeric 14-57.
enum class Submode : std::uint8_t { Alpha, Lower, Mixed, Punct };
inline constexpr std::uint8_t text_states = 8;
inline constexpr std::uint8_t byte_base = 8;
inline constexpr std::uint8_t byte_group = 6;
inline constexpr std::uint8_t numeric_base = byte_base + byte_group;
inline constexpr std::uint8_t numeric_group = 44;
inline constexpr std::uint8_t state_count = numeric_base + numeric_group;

constexpr std::uint8_t text_state(Submode submode, bool odd) { return std::uint8_t(std::uint8_t(submode) * 2 + odd); }
constexpr bool is_text(std::uint8_t state) { return state < byte_base; }
constexpr bool is_byte(std::uint8_t state) { return state >= byte_base && state < numeric_base; }
constexpr bool is_numeric(std::uint8_t state) { return state >= numeric_base; }
constexpr Submode submode_of(std::uint8_t state) { return Submode(state / 2); }
constexpr bool odd_of(std::uint8_t state) { return (state & 1) != 0; }

// How a text character is taken: in the submode, after a punctuation or alpha shift, or as a byte after
// the byte shift (913). Bytes and digits in their own modes are always Direct.
enum class Take : std::uint8_t { Direct, PunctShift, AlphaShift, ByteShift };

// One character of the plan: the state just before it is taken (after any latch), and how it is taken.
struct Step {
    std::uint8_t state;
    Take take;
};

// The state after taking `byte` from `state` the way `take` says.
constexpr std::uint8_t state_after(std::uint8_t state, Take take) {
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

// One step per byte of a plan of the fewest codewords, starting in text Alpha with no value waiting.
std::vector<Step> plan(std::span<const std::uint8_t> data);

// Appends the data codewords of `plan` for `data` to `out`.
void write_plan(std::span<const std::uint8_t> data, std::span<const Step> plan, std::vector<std::uint16_t>& out);

// The data codewords of the fewest for `data` (plan and write_plan together), appended to `out`.
void compact(std::span<const std::uint8_t> data, std::vector<std::uint16_t>& out);
std::vector<std::uint16_t> compact(std::span<const std::uint8_t> data);

}  // namespace tavlo::pdf417
