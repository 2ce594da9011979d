// The 1-bit rows of a whole label, top to bottom, as the PNG writer paints them: the rectangles swept into bands
// of identical rows and the text painted over them. Writers of other raster formats (ZPL) take the same rows, so
// every format of a label has the PNG's pixels.
#pragma once

#include "png_writer.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {

// Gives `sink` every row of `drawing` from the top, each as a scanline (a 0 byte, then the row packed one bit
// per pixel, leftmost in the highest bit, pad bits 0), dark dots as `dark_bit`; a row equal to the row before it
// adds to that row's times. Throws std::bad_alloc when memory runs out.
void paint_drawing_rows(const Drawing& drawing, bool dark_bit, png::RowSink& sink);

}  // namespace tavlo::label
