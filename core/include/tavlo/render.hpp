// PNG and SVG output from a geometry. The quiet zone is added left and right of a linear symbol and on all
// four sides of a matrix symbol.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"
#include "tavlo/unit.hpp"

namespace tavlo {

using PngBytes = std::vector<std::uint8_t>;

// The light modules added around a symbol when the caller names none, in PNG and SVG alike.
inline constexpr std::uint32_t default_quiet_zone_modules = 0;

// What a PNG is asked for: the size of the whole image, quiet zone included, in `unit`; the dots per inch
// that inches and millimetres need; the light modules around the symbol. The defaults are those of the
// Python method, which leaves a member as it is when its keyword is left out.
struct PngRequest {
    double width = 0;
    double height = 0;
    Unit unit = Unit::In;
    std::optional<std::uint32_t> dpi;
    std::uint32_t quiet_zone_modules = default_quiet_zone_modules;
};

// A symbol's extent in modules with the quiet zone on both sides. Unsigned 32-bit on purpose: a quiet zone
// in the billions wraps past 2^32 in every renderer alike, never reaching wider arithmetic.
constexpr std::uint32_t with_quiet_zone(std::uint32_t modules, std::uint32_t quiet_zone_modules) {
    return modules + 2 * quiet_zone_modules;
}

Result<PngBytes> render_linear_png(const LinearGeometry& geometry, const PngRequest& request);
Result<PngBytes> render_matrix_png(const MatrixGeometry& geometry, const PngRequest& request);

std::string render_linear_svg(const LinearGeometry& geometry, std::uint32_t quiet_zone_modules);
std::string render_matrix_svg(const MatrixGeometry& geometry, std::uint32_t quiet_zone_modules);

}  // namespace tavlo
