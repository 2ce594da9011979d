// The layouts of logistics symbols: bearer bars (ITF-14) and a greatest width (GS1-128), as the kind's row says.
#pragma once

#include <cstdint>

#include "tavlo/label.hpp"

namespace tavlo::label::gs1_layout {

// Modules added left and right of the quiet zones by a bearer frame (0 for a kind without one).
std::uint32_t frame_modules(const KindSpec& kind);

// The thickness of the bearer bars in dots (0 for a kind without them).
std::uint32_t bearer_dots(const KindSpec& kind, std::uint32_t x_dots);

// A symbol wider than its kind allows with its quiet zones is refused; `width_dots` counts both quiet zones.
Result<void> check_width(const KindSpec& kind, std::uint64_t width_dots, std::uint32_t x_dots, std::uint32_t dpi);

// The bearer bars around a drawing whose bars are in place.
void add_bearer_bars(Drawing& drawing, const KindSpec& kind, const Layout& layout, std::uint32_t symbol_modules);

}  // namespace tavlo::label::gs1_layout
