// DataBar Expanded's data characters (ISO/IEC 24724, 7.2.5): the encodation method chosen for the element
// string, its compressed fields, the general-purpose field and the padding, in 12-bit characters.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "tavlo/error.hpp"

namespace tavlo::databar {

// At most 21 data characters besides the check character (7.2.5.5.4): 252 bits.
inline constexpr std::size_t expanded_max_data_characters = 21;

// `reduced`: the AIs and their data run together, GS (0x1D) for the FNC1 after each variable-length element
// but the last. `segments_per_row` is 0 for one row, else even: a stacked symbol's last row never holds a
// single segment, so the count of characters is raised by one where it would.
Result<std::vector<std::uint16_t>> expanded_data_characters(std::string_view reduced,
                                                            std::uint32_t segments_per_row);

}  // namespace tavlo::databar
