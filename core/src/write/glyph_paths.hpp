// Each OCR-B glyph's outline as vector path text in font units (whole numbers; y up, but down in the SVG data),
// made once per process: a writer scales it to the text size where it defines the glyph, so a label's text
// costs no outline arithmetic or number formatting, only copies of these strings.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tavlo::label {

struct GlyphPath {
    std::string_view svg;  // relative SVG path data ("m… l… h… v… c… s… z"), y down
    std::string_view pdf;  // PDF (and, with m l c h defined, PostScript) path operators, without the fill
    std::string_view pdf_fill;  // those operators and the fill "f\n", as a PDF page's content draws it
    std::span<const std::uint32_t> pdf_fill_tokens;  // deflate tokens of pdf_fill, copying only within it
    std::uint32_t pdf_fill_adler;  // the Adler-32 of pdf_fill, for a stream's check to combine with
    int left, bottom, right, top;  // a box holding the outline's points, control points included
};

// The glyph of a printable ASCII character; empty paths for the space and every other byte.
const GlyphPath& glyph_path(unsigned char character);

// Font units to dots at a text size (the height of the digits in dots).
double glyph_scale(double size);

}  // namespace tavlo::label
