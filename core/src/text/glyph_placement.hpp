// Where each glyph of a text item goes: pens on whole dots, so a glyph covers the same dots wherever it
// stands and its shape can be filled once and reused.
#pragma once

#include <cmath>

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

// Calls `visit(PlacedGlyph)` for each glyph of `item`, left to right; nothing is stored, so a label's text
// costs no allocation here.
template <class Visit>
void for_each_glyph(const TextItem& item, Visit&& visit) {
    double start = item.x;
    if (item.align == Align::Centre) start -= text_width(item.text, item.size) / 2;
    if (item.align == Align::Right) start -= text_width(item.text, item.size);
    const double scale = scale_for(item.size), baseline = std::round(item.baseline);
    double units = 0;  // advance so far, so rounding never accumulates
    for (unsigned char c : item.text) {
        visit(PlacedGlyph{c, std::round(start + units * scale), baseline});
        units += ocrb::glyph(c).entry.advance;
    }
}

// The outline of one glyph with its pen at (pen_x, baseline), appended to `outline`.
void append_glyph_outline(Outline& outline, unsigned char character, double pen_x, double baseline, double size);

}  // namespace tavlo::text
