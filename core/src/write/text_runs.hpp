// A drawing's text as runs of characters for the writers that name a font instead of drawing outlines
// (VectorOptions::text_font Named): each character keeps the pen the outlines put it at, so a viewer with the
// named font draws the picture the outlines draw.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tavlo/label.hpp"

namespace tavlo::label {

struct TextRun {
    double size;                     // the height of the digits in dots (TextItem::size)
    std::int64_t baseline;           // whole dots
    std::string text;                // printable ASCII, every other byte a space: the outlines leave it blank
    std::vector<std::int64_t> pens;  // each character's pen, whole dots: as many as text has characters
};

// Items after one another on one baseline at one size (the digits of a retail symbol, an item each) make one
// run; an item with no character drawn makes none.
std::vector<TextRun> text_runs(const Drawing& drawing);

// The em of the OCR-B outlines at a text size, in dots: the font size that names OCR-B at that size.
double ocrb_em(double size);
// OCR-B's advance (every character's: it is monospaced) at a text size, in dots.
double ocrb_advance(double size);

}  // namespace tavlo::label
