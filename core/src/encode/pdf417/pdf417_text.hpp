// Text compaction's submodes (ISO/IEC 15438, the table of text compaction submodes): each character's value
// in each submode, and the values that latch from one submode to another.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "pdf417_plan.hpp"

namespace tavlo::pdf417 {

// Values 26 to 29 of a submode that are not characters.
inline constexpr std::uint8_t latch_lower = 27;        // from Alpha and Mixed
inline constexpr std::uint8_t alpha_shift = 27;        // from Lower, one character
inline constexpr std::uint8_t latch_mixed = 28;        // from Alpha and Lower
inline constexpr std::uint8_t latch_alpha = 28;        // from Mixed
inline constexpr std::uint8_t latch_punct = 25;        // from Mixed
inline constexpr std::uint8_t punct_shift = 29;        // from Alpha, Lower and Mixed, one character
inline constexpr std::uint8_t punct_latch_alpha = 29;  // from Punct
// A lone last value is completed with 29 (in Punct a latch to Alpha, elsewhere a shift with no character).
inline constexpr std::uint8_t pad_value = 29;

namespace detail {

// The characters of each submode, in value order; '\0' marks a value that is not a character.
constexpr std::string_view alpha_chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZ ";
constexpr std::string_view lower_chars = "abcdefghijklmnopqrstuvwxyz ";
constexpr std::string_view mixed_chars{"0123456789&\r\t,:#-.$/+%*=^\0 ", 27};
constexpr std::string_view punct_chars = ";<>@[\\]_`~!\r\t,:\n-.$/\"|*()?{}'";

constexpr std::array<std::array<std::int8_t, 256>, 4> build_values() {
    std::array<std::array<std::int8_t, 256>, 4> values{};
    const std::string_view sets[4] = {alpha_chars, lower_chars, mixed_chars, punct_chars};
    for (auto& v : values) v.fill(-1);
    for (int mode = 0; mode < 4; ++mode)
        for (std::size_t i = 0; i < sets[mode].size(); ++i)
            if (sets[mode][i] != '\0') values[mode][static_cast<unsigned char>(sets[mode][i])] = std::int8_t(i);
    return values;
}

inline constexpr auto values = build_values();

// The latch values from one submode to another, at most two (Lower to Alpha goes through Mixed; Punct
// to Lower and to Mixed through Alpha).
struct Latch {
    std::uint8_t length;
    std::array<std::uint8_t, 2> values;
};
inline constexpr Latch latches[4][4] = {
    // to:  Alpha                  Lower                          Mixed                      Punct
    /* Alpha */ {{0, {}}, {1, {latch_lower, 0}}, {1, {latch_mixed, 0}}, {2, {latch_mixed, latch_punct}}},
    /* Lower */ {{2, {latch_mixed, latch_alpha}}, {0, {}}, {1, {latch_mixed, 0}}, {2, {latch_mixed, latch_punct}}},
    /* Mixed */ {{1, {latch_alpha, 0}}, {1, {latch_lower, 0}}, {0, {}}, {1, {latch_punct, 0}}},
    /* Punct */ {{1, {punct_latch_alpha, 0}}, {2, {punct_latch_alpha, latch_lower}}, {2, {punct_latch_alpha, latch_mixed}}, {0, {}}},
};

}  // namespace detail

// The value (0-29) of `byte` in `submode`, or -1.
constexpr int text_value(Submode submode, std::uint8_t byte) { return detail::values[std::size_t(submode)][byte]; }

// How many values the latch from one submode to another takes (0 for the same submode).
constexpr std::uint8_t latch_length(Submode from, Submode to) {
    return detail::latches[std::size_t(from)][std::size_t(to)].length;
}

constexpr const detail::Latch& latch(Submode from, Submode to) { return detail::latches[std::size_t(from)][std::size_t(to)]; }

}  // namespace tavlo::pdf417
