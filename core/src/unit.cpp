#include "tavlo/unit.hpp"

#include <cmath>

namespace tavlo {

namespace {

constexpr double mm_per_inch = 25.4;
constexpr double max_pixels = 4294967295.0;

// One side: scaled by the unit in double precision, rounded with halves away from zero, then saturated
// (negative sizes and NaN give 0, anything at or beyond 2^32 - 1 gives 2^32 - 1).
std::uint32_t side_pixels(double side, Unit unit, double dpi) {
    double raw = side;
    if (unit == Unit::In) raw = side * dpi;
    if (unit == Unit::Mm) raw = side / mm_per_inch * dpi;
    const double rounded = std::round(raw);
    if (!(rounded > 0.0)) return 0;
    if (rounded >= max_pixels) return 4294967295u;
    return static_cast<std::uint32_t>(rounded);
}

}  // namespace

Result<Unit> unit_from_str(std::string_view text) {
    if (text == "in") return Unit::In;
    if (text == "mm") return Unit::Mm;
    if (text == "px") return Unit::Px;
    return std::unexpected(TavloError::invalid_unit(text));
}

Result<PixelSize> pixel_size(double width, double height, Unit unit, std::optional<std::uint32_t> dpi) {
    if (unit != Unit::Px && !dpi) return std::unexpected(TavloError::dpi_required());
    if (unit == Unit::Px && dpi) return std::unexpected(TavloError::dpi_not_allowed());
    const double dots = dpi ? static_cast<double>(*dpi) : 0.0;
    return PixelSize{side_pixels(width, unit, dots), side_pixels(height, unit, dots)};
}

}  // namespace tavlo
