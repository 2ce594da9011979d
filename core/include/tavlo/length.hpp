// A printed length as the caller wrote it: millimetres, inches, mils or the printer's own dots.
#pragma once

#include <cstdint>

namespace tavlo {

struct Length {
    enum class Unit { Mm, In, Mil, Dots };
    double value = 0;  // finite and not negative once parsed
    Unit unit = Unit::Mm;

    double dots(std::uint32_t dpi) const;
};

}  // namespace tavlo
