// Encapsulated PostScript of a label (EPSF 3.0, LanguageLevel 2): the drawing in dots under a matrix that flips
// y and scales dots to points, the rectangles filled by one rectfill of a number array, and each glyph shape a
// procedure defined once that draws it at the pen it is given, or the text shown in Courier (courier_text.hpp).
// PostScript has no transparency: a translucent colour is written opaque, and a transparent background is left
// out.
#include <cmath>

#include "courier_text.hpp"
#include "decimal.hpp"
#include "device_colour.hpp"
#include "glyph_paths.hpp"
#include "glyph_uses.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {
namespace {

constexpr double points_per_inch = 72;
// A LanguageLevel 2 array holds at most 65,535 elements, four to a rectangle; DSC keeps lines within 255 bytes.
constexpr std::size_t rects_per_array = 4096;
constexpr std::size_t rects_per_line = 8;

void append_colour(std::string& out, Colour colour, ColourSpace space) {
    append_device_colour(out, colour, space, {"setgray\n", "setrgbcolor\n", "setcmykcolor\n"});
}

// The nth glyph procedure's name: g0, g1, ...
void append_glyph_name(std::string& out, std::size_t n) {
    out += 'g';
    append_integer(out, static_cast<std::int64_t>(n));
}

// The header comments: the bounding box in whole points, rounded up, and exactly in %%HiResBoundingBox.
void append_header(std::string& out, double width, double height, bool courier) {
    out += "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 ";
    append_integer(out, static_cast<std::int64_t>(std::ceil(width - 1e-9)));
    out += ' ';
    append_integer(out, static_cast<std::int64_t>(std::ceil(height - 1e-9)));
    out += "\n%%HiResBoundingBox: 0 0 ";
    append_decimal(out, width, 4);
    out += ' ';
    append_decimal(out, height, 4);
    out += "\n%%Creator: tavlo\n%%LanguageLevel: 2\n%%Pages: 1\n";
    if (courier) out += "%%DocumentNeededResources: font Courier\n";
    out += "%%EndComments\n";
}

}  // namespace

std::string write_eps(const Drawing& drawing, const VectorOptions& options) {
    const ColourSpace space = options.colour_space;
    const double scale = points_per_inch / drawing.dpi;
    const bool named = options.text_font == TextFont::Named;
    const GlyphUses glyphs = named ? GlyphUses{} : glyph_uses(drawing);
    const std::vector<TextRun> runs = named ? text_runs(drawing) : std::vector<TextRun>{};
    std::string out;
    out.reserve(512 + drawing.rects.size() * 16 + glyphs.uses.size() * 12 + runs.size() * 64);
    append_header(out, drawing.width * scale, drawing.height * scale, !runs.empty());
    // The path operators are named as in PDF, so one writer of outlines serves both.
    out += "%%BeginProlog\n";
    append_integer(out, static_cast<std::int64_t>(glyphs.shapes.size() + 8));
    out += " dict begin\n/m/moveto load def/l/lineto load def/c/curveto load def/h/closepath load def"
           "/f/fill load def\n";
    for (std::size_t i = 0; i < glyphs.shapes.size(); ++i) {
        out += '/';
        append_glyph_name(out, i);
        out += "{gsave translate ";
        append_decimal(out, glyphs.shapes[i].scale, 7);
        out += ' ';
        append_decimal(out, -glyphs.shapes[i].scale, 7);
        out += " scale newpath\n";
        out += glyph_path(glyphs.shapes[i].character).pdf;
        out += "f grestore}bind def\n";
    }
    out += "%%EndProlog\n%%Page: 1 1\ngsave\n0 ";
    append_decimal(out, drawing.height * scale, 4);
    out += " translate ";
    append_decimal(out, scale, 8);
    out += ' ';
    append_decimal(out, -scale, 8);
    out += " scale\n";
    if (drawing.background.a != 0) {
        append_colour(out, drawing.background, space);
        out += "0 0 ";
        append_integer(out, drawing.width);
        out += ' ';
        append_integer(out, drawing.height);
        out += " rectfill\n";
    }
    if (!drawing.rects.empty() || !glyphs.uses.empty() || !runs.empty()) {
        append_colour(out, drawing.foreground, space);
        for (std::size_t i = 0; i < drawing.rects.size(); ++i) {
            out += i % rects_per_array == 0 ? '[' : i % rects_per_line == 0 ? '\n' : ' ';
            const Rect& r = drawing.rects[i];
            append_integer(out, r.x);
            for (std::uint32_t value : {r.y, r.w, r.h}) {
                out += ' ';
                append_integer(out, value);
            }
            if (i % rects_per_array == rects_per_array - 1 || i + 1 == drawing.rects.size()) out += "]rectfill\n";
        }
        for (const GlyphUse& use : glyphs.uses) {
            append_integer(out, use.x);
            out += ' ';
            append_integer(out, use.y);
            out += ' ';
            append_glyph_name(out, use.shape);
            out += '\n';
        }
        append_postscript_text(out, runs);
    }
    out += "grestore\nend\nshowpage\n%%EOF\n";
    return out;
}

}  // namespace tavlo::label
