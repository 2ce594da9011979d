// Where the human-readable line of a linear symbol goes: its size and gap in proportion to the module width,
// the EAN/UPC retail arrangement (digits under their own symbol characters, guard bars reaching down between
// them, UPC-A's and UPC-E's outer digits smaller beside the bars, EAN-13's first digit in the left quiet zone,
// an add-on's digits above its bars) or one centred line for the other kinds.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "tavlo/geometry.hpp"
#include "tavlo/text.hpp"

namespace tavlo::text {

enum class LinearStyle { Centred, Ean8, UpcA, Ean13, UpcE };

// Dots kept below the bars for `text` (empty: none) at a module width of `x_dots`.
std::uint64_t band_height(LinearStyle style, const LinearGeometry& geometry, std::string_view text,
                          std::uint32_t x_dots);

// Dots kept above the bars for the headline of `text`: what stands before a line break ("ISBN 978-0-306-40615-7"),
// printed centred over the main symbol's `main_modules`; 0 without one.
std::uint64_t headline_height(std::string_view text, std::uint32_t main_modules, std::uint32_t x_dots);

// The main symbol's width in modules for a retail style (EAN-13 95), 0 for Centred.
std::uint32_t main_modules(LinearStyle style);

struct LinearText {
    std::vector<TextItem> items;
    std::vector<std::size_t> extended_bars;  // indices into geometry.bars that reach into the text band
    std::uint32_t bar_extension = 0;         // how far, in dots, below the other bars
    std::vector<std::size_t> lowered_bars;   // indices into geometry.bars whose tops move down: an add-on's,
    std::uint32_t bar_lowering = 0;          // by this many dots, to make room for its digits above them
};

// The text of a symbol whose first module starts at column `origin` and whose bars start at row `bars_top`, in
// the band that starts at row `band_top`, where the bars (for the retail layouts, the data bars) end. `text` is
// what is printed: for the retail layouts the main symbol's digits, check digit included (EAN-8 8, UPC-A 12,
// EAN-13 13, UPC-E 8), then the add-on's 2 or 5 digits when `addon_modules` (the last modules of the geometry,
// gap included) holds an add-on, then optionally ">", the light margin indicator, right of the bars; a headline
// and a line break may stand before it all.
LinearText place_text(LinearStyle style, const LinearGeometry& geometry, std::string_view text, std::uint32_t x_dots,
                      double origin, std::uint32_t band_top, std::uint32_t bars_top = 0,
                      std::uint32_t addon_modules = 0);

}  // namespace tavlo::text
