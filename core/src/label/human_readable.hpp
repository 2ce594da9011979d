// The human-readable line of a linear label: how much room it needs below the bars, and the text items (and
// any guard bars reaching into it) that fill that room. A kind without printed text needs none.
#pragma once

#include <cstdint>

#include "tavlo/label.hpp"

namespace tavlo::label {

// Dots kept below the bars for the text of `symbol` at a module width of `x_dots`; 0 when nothing is printed.
std::uint64_t text_band_height(const Symbol& symbol, std::uint32_t x_dots, std::uint32_t dpi);

// Dots kept above the bars for a headline of `symbol` (a book number's "ISBN ..." line); 0 without one.
std::uint64_t headline_height(const Symbol& symbol, std::uint32_t x_dots);

// The room the printed line of a matrix symbol (a GS1 Data Matrix's element string) takes: the band below the
// symbol and quiet zone, and the label width its lines need; zero for a symbol without one.
struct MatrixTextRoom {
    std::uint64_t band = 0;
    std::uint64_t width = 0;
};
MatrixTextRoom matrix_text_room(const Symbol& symbol, std::uint32_t x_dots, std::uint32_t dpi);

// Adds the text items of `symbol` to a drawing whose bars or modules are already in place.
void add_human_readable(Drawing& drawing, const Symbol& symbol, const Layout& layout);

}  // namespace tavlo::label
