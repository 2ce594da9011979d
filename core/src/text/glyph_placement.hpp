// Where each glyph of a text item goes: pens on whole dots, so a glyph covers the same dots wherever it
// stands and its shape can be filled once and reused.
#pragma once

#include <vector>

#include "ocrb_glyphs.hpp"
#include "tavlo/text.hpp"

namespace tavlo::text {

struct PlacedGlyph {
    unsigned char character;
    double pen_x;     // left edge of the advance box, a whole dot
    double baseline;  // a whole dot
};

// Font units to dots at a text size (the digit height in dots).
inline double scale_for(double size) { return size / ocrb::digit_height; }

std::vector<PlacedGlyph> place_glyphs(const TextItem& item);

// The outline of one glyph with its pen at (pen_x, baseline), appended to `outline`.
void append_glyph_outline(Outline& outline, unsigned char character, double pen_x, double baseline, double size);

}  // namespace tavlo::text
