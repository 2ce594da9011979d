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

Result<PngBytes> render_linear_png(const LinearGeometry& geometry, Unit unit, std::optional<std::uint32_t> dpi,
                                   std::uint32_t quiet_zone_modules, double width, double height);
Result<PngBytes> render_matrix_png(const MatrixGeometry& geometry, Unit unit, std::optional<std::uint32_t> dpi,
                                   std::uint32_t quiet_zone_modules, double width, double height);

std::string render_linear_svg(const LinearGeometry& geometry, std::uint32_t quiet_zone_modules);
std::string render_matrix_svg(const MatrixGeometry& geometry, std::uint32_t quiet_zone_modules);

}  // namespace tavlo
