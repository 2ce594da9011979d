// Where the human-readable line of a linear symbol goes: its size and gap in proportion to the module width,
// the EAN/UPC retail arrangement (digits under their own symbol characters, guard bars reaching down between
// them, UPC-A's outer digits smaller beside the bars) or one centred line for the other kinds.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "tavlo/geometry.hpp"
#include "tavlo/text.hpp"

namespace tavlo::text {

enum class LinearStyle { Centred, Ean8, UpcA };

// Dots kept below the bars for `text` (empty: none) at a module width of `x_dots`.
std::uint64_t band_height(LinearStyle style, const LinearGeometry& geometry, std::string_view text,
                          std::uint32_t x_dots);

struct LinearText {
    std::vector<TextItem> items;
    std::vector<std::size_t> extended_bars;  // indices into geometry.bars that reach into the text band
    std::uint32_t bar_extension = 0;         // how far, in dots, below the other bars
};

// The text of a symbol whose first module starts at column `origin`, in the band that starts at row
// `band_top`, where the bars (for the retail layouts, the data bars) end. `text` is what is printed: for EAN-8 its 8
// digits and for UPC-A its 12, check digit included.
LinearText place_text(LinearStyle style, const LinearGeometry& geometry, std::string_view text, std::uint32_t x_dots,
                      double origin, std::uint32_t band_top);

}  // namespace tavlo::text
