// The unit of a requested PNG size, the dpi rule, and the conversion to whole pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "tavlo/error.hpp"

namespace tavlo {

enum class Unit { In, Mm, Px };

// Exactly "in", "mm" or "px"; anything else is InvalidUnit carrying the text.
Result<Unit> unit_from_str(std::string_view text);

struct PixelSize {
    std::uint32_t width_px;
    std::uint32_t height_px;
};

// The dpi rule, then each side rounded half away from zero and saturated into [0, 2^32 - 1] (NaN gives 0).
Result<PixelSize> pixel_size(double width, double height, Unit unit, std::optional<std::uint32_t> dpi);

}  // namespace tavlo
