// Text rows painted over the bands of identical rows that the bars make: each band's row is painted once, and
// every row the text touches is that row with the text's dots painted over it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "png_writer.hpp"
#include "../text/text_rows.hpp"

namespace tavlo::label {

// The rows an overlay paints into, kept by the caller from one image to the next.
struct OverlayRows {
    std::vector<std::uint8_t> bars, row, held;
};

// Gives `sink` the rows of the image that `bars` describe from the top, `width` pixels wide, with `text`
// painted over them, dark dots as `dark_bit`. A row equal to the row before it adds to that row's times.
// Reads every row of `text` from its first.
void overlay_text(std::span<const png::Band> bars, text::TextRows& text, std::uint32_t width, bool dark_bit,
                  OverlayRows& rows, png::RowSink& sink);

}  // namespace tavlo::label
