// The glyphs of a drawing's text as shapes and the places they are used: a vector writer defines each shape
// once (SVG <defs>, a PDF form, a PostScript procedure) and places it where it stands, so a label's text costs
// a definition per distinct glyph and a short reference per glyph.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tavlo/label.hpp"

namespace tavlo::label {

// One character's glyph at one text size: its path (glyph_path) in font units, y up, scaled by `scale` to dots
// with its pen at (0, 0).
struct GlyphShape {
    unsigned char character;
    double size;
    double scale;
};

struct GlyphUse {
    std::uint32_t shape;   // index into GlyphUses::shapes
    std::int64_t x, y;     // the pen and the baseline, whole dots
};

struct GlyphUses {
    std::vector<GlyphShape> shapes;  // in order of first use
    std::vector<GlyphUse> uses;      // in text order; glyphs without an outline (space) are left out
};

GlyphUses glyph_uses(const Drawing& drawing);

// A short name for the nth shape, in lower-case letters: a, b, ... z, ba, bb, ...
void append_shape_name(std::string& out, std::size_t n);

}  // namespace tavlo::label
