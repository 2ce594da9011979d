// Whole dots of a text length, saturated far above any printable side: a huge module width or dpi makes a
// text band that the label's size check refuses, never one that wraps.
#pragma once

#include <cstdint>

namespace tavlo::text {

inline std::uint64_t whole_dots(double dots) {
    if (!(dots > 0)) return 0;
    return dots < 0x1p52 ? static_cast<std::uint64_t>(dots) : std::uint64_t{1} << 52;
}

}  // namespace tavlo::text
