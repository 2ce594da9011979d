// The GS1 logistics layouts: ITF-14's bearer bars, the module width and bar height of shipping-carton symbols,
// and GS1-128's greatest width.
#pragma once

#include <cstdint>
#include <optional>

#include "tavlo/label.hpp"

namespace tavlo::label::gs1_layout {

// Modules added left and right of the quiet zones by a bearer frame (0 for every other kind).
std::uint32_t frame_modules(Kind kind);

// The thickness of the bearer bars in dots (0 for a kind without them).
std::uint32_t bearer_dots(Kind kind, std::uint32_t x_dots);

// The module width and the least bar height of a shipping-carton symbol when the caller names none.
std::optional<Length> default_x_dim(Kind kind);
std::optional<Length> least_bar_height(Kind kind);

// A GS1-128 wider than 165 mm with its quiet zones is refused; `width_dots` counts both quiet zones.
Result<void> check_width(Kind kind, std::uint64_t width_dots, std::uint32_t x_dots, std::uint32_t dpi);

// The bearer bars around a drawing whose bars are in place.
void add_bearer_bars(Drawing& drawing, Kind kind, const Layout& layout, std::uint32_t symbol_modules);

}  // namespace tavlo::label::gs1_layout
