// What every DataBar symbol shares: a character value turned into element widths, widths into modules.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "tavlo/geometry.hpp"

namespace tavlo::databar {

// The widths of one half of a character (its odd or its even elements): the `value`-th, in the standard's
// order, of the ways to split `modules` modules among `elements` elements, none wider than `widest`; unless
// `narrow_optional`, at least one element is one module wide (ISO/IEC 24724, Annex B). `widths` has
// `elements` entries, at most 7.
void element_widths(std::uint32_t value, int modules, int elements, int widest, bool narrow_optional,
                    std::span<int> widths);

// A character's group in a table of groups: the last whose first value is at most `value`.
template <std::size_t N>
std::size_t group_of(std::uint32_t value, const std::array<std::uint32_t, N>& first_values) {
    std::size_t group = 0;
    while (group + 1 < N && value >= first_values[group + 1]) ++group;
    return group;
}

// A character's elements from its odd and even halves: odd, even, odd, even, … left to right.
template <std::size_t Half>
std::array<int, 2 * Half> interleave(const std::array<int, Half>& odd, const std::array<int, Half>& even) {
    std::array<int, 2 * Half> widths{};
    for (std::size_t i = 0; i < Half; ++i) {
        widths[2 * i] = odd[i];
        widths[2 * i + 1] = even[i];
    }
    return widths;
}

// Appends each width as that many modules, colours alternating, the first `dark_first`.
void append_widths(ModuleSequence& modules, std::span<const int> widths, bool dark_first);

}  // namespace tavlo::databar
