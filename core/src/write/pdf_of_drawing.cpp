// PDF of a label: one page of the label's exact size whose one content stream draws the drawing in dots, each
// glyph of its text an outline filled where the glyph stands (compressed once however often it stands: see
// pdf_content.hpp) or the text in a named font (courier_text.hpp), written object by object with a
// cross-reference table. No dates or identifiers, so one drawing gives one file.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <stdexcept>

#include "courier_text.hpp"
#include "decimal.hpp"
#include "device_colour.hpp"
#include "glyph_paths.hpp"
#include "glyph_uses.hpp"
#include "pdf_content.hpp"
#include "pdf_page.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {
namespace {

constexpr double points_per_inch = 72;

// Font units to dots: a glyph a thousand units wide is off by less than a thousandth of a dot.
constexpr int glyph_scale_decimals = 7;

// The non-stroking colour operator of the colour space.
void append_colour(std::string& out, Colour colour, ColourSpace space) {
    append_device_colour(out, colour, space, {"g\n", "rg\n", "k\n"});
}

// A page length of `dots` at `dpi` in points, written a hair short: the largest number of four decimals below
// the exact length. pdftoppm sizes a page to its length in pixels rounded up, after arithmetic that lands a
// bit above a whole number, so the exact length (1716 dots at 300 dpi as 411.84 points) or one rounded up
// (243 dots at 203 dpi as 86.1872) gave a pixel more than the label has. Short by at most a ten-thousandth of
// a point, under a thousandth of a dot at 600 dpi.
void append_page_length(std::string& out, std::uint32_t dots, std::uint32_t dpi) {
    constexpr double ten_thousandths = 1e4, whole_slack = 1e-6;
    const double exact = dots * points_per_inch / dpi * ten_thousandths;
    append_decimal(out, dots == 0 ? 0 : (std::ceil(exact - whole_slack) - 1) / ten_thousandths, 4);
}

// Each glyph's outline in font units, y up, drawn at its pen by a matrix of its own: the page's matrix holds
// dots, y down, so the glyph's scale flips y back. A glyph's "Q" goes with the next one's matrix, so the
// search finds "Q q <scale> 0 0 <-scale> " as one copy.
void append_glyphs(pdf::ContentStream& content, const GlyphUses& glyphs) {
    std::string matrix;
    for (const GlyphUse& use : glyphs.uses) {
        const GlyphShape& shape = glyphs.shapes[use.shape];
        matrix = &use == &glyphs.uses.front() ? "q " : "Q\nq ";
        append_decimal(matrix, shape.scale, glyph_scale_decimals);
        matrix += " 0 0 ";
        append_decimal(matrix, -shape.scale, glyph_scale_decimals);
        matrix += ' ';
        append_integer(matrix, use.x);
        matrix += ' ';
        append_integer(matrix, use.y);
        matrix += " cm\n";
        content.text(matrix);
        content.glyph(shape.character);
    }
    if (!glyphs.uses.empty()) content.text("Q\n");
}

void append_rect(std::string& out, const Rect& r) {
    for (std::uint32_t value : {r.x, r.y, r.w, r.h}) {
        append_integer(out, value);
        out += ' ';
    }
    out += "re\n";
}

// Translucent colours go through graphics states /a0 (background) and /a1 (foreground).
bool translucent(Colour colour) { return colour.a != 0 && colour.a != 255; }

// The text as the options draw it: outlines, or runs in a named font.
struct PageText {
    GlyphUses glyphs;
    std::vector<TextRun> runs;

    PageText(const Drawing& drawing, TextFont font) {
        if (font == TextFont::Named)
            runs = text_runs(drawing);
        else
            glyphs = glyph_uses(drawing);
    }
    bool empty() const { return glyphs.uses.empty() && runs.empty(); }
};

// Drawn in dots from the top-left corner, as the drawing is: the matrix flips y and scales dots to points.
std::string page_content(const Drawing& drawing, const PageText& text, ColourSpace space) {
    const GlyphUses& glyphs = text.glyphs;
    std::string out;
    out.reserve(64 + drawing.rects.size() * 20);
    const double scale = points_per_inch / drawing.dpi;
    append_decimal(out, scale, 8);
    out += " 0 0 ";
    append_decimal(out, -scale, 8);
    out += " 0 ";
    append_page_length(out, drawing.height, drawing.dpi);
    out += " cm\n";
    if (drawing.background.a != 0) {
        if (translucent(drawing.background)) out += "/a0 gs\n";
        append_colour(out, drawing.background, space);
        append_rect(out, {0, 0, drawing.width, drawing.height});
        out += "f\n";
    }
    // A rectangle's line is some 16 bytes, a glyph's matrix and outline some 400.
    pdf::ContentStream content(out.size() + 16 * drawing.rects.size() + 400 * glyphs.uses.size());
    if (!drawing.rects.empty() || !text.empty()) {
        if (translucent(drawing.foreground)) out += "/a1 gs\n";
        append_colour(out, drawing.foreground, space);
        for (const Rect& r : drawing.rects) append_rect(out, r);
        if (!drawing.rects.empty()) out += "f\n";
        if (!text.runs.empty()) out += pdf_text_object(text.runs);
        content.text(out);
        append_glyphs(content, glyphs);
    } else {
        content.text(out);
    }
    return content.zlib();
}

std::string resources(const Drawing& drawing, const PageText& text) {
    const bool font = !text.runs.empty();
    if (!translucent(drawing.background) && !translucent(drawing.foreground))
        return font ? "/Resources<<" + std::string(pdf_font_resources) + ">>" : "";
    std::string out = "/Resources<<";
    if (font) out += pdf_font_resources;
    out += "/ExtGState<<";
    const std::pair<const char*, Colour> all[] = {{"/a0", drawing.background}, {"/a1", drawing.foreground}};
    for (const auto& [name, colour] : all) {
        if (!translucent(colour)) continue;
        out += name;
        out += "<</ca ";
        append_decimal(out, colour.a / 255.0, 4);
        out += ">>";
    }
    return out + ">>>>";
}

std::string stream_object(std::string_view dictionary, const std::string& data) {
    std::string out = "<<";
    out += dictionary;
    out += "/Length ";
    append_integer(out, static_cast<std::int64_t>(data.size()));
    out += "/Filter/FlateDecode>>\nstream\n" + data + "\nendstream";
    return out;
}

}  // namespace

namespace pdf {

std::vector<std::string> page_objects(const Drawing& drawing, int parent, int first, const VectorOptions& options) {
    const PageText text(drawing, options.text_font);
    std::string page = "<</Type/Page/Parent ";
    append_integer(page, parent);
    page += " 0 R/MediaBox[0 0 ";
    append_page_length(page, drawing.width, drawing.dpi);
    page += ' ';
    append_page_length(page, drawing.height, drawing.dpi);
    page += "]/Contents ";
    append_integer(page, first + 1);
    page += " 0 R" + resources(drawing, text) + ">>";
    return {std::move(page), stream_object("", page_content(drawing, text, options.colour_space))};
}

std::vector<std::uint8_t> file_of_objects(std::span<const std::string> objects) {
    // The comment line of high bytes marks the file as binary for transfer tools.
    std::string out = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        append_integer(out, static_cast<std::int64_t>(i + 1));
        out += " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = out.size();
    const auto object_count = static_cast<std::int64_t>(objects.size() + 1);  // with the free entry 0
    out += "xref\n0 ";
    append_integer(out, object_count);
    out += "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char entry[21];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        out += entry;
    }
    out += "trailer\n<</Size ";
    append_integer(out, object_count);
    out += "/Root 1 0 R>>\nstartxref\n";
    append_integer(out, static_cast<std::int64_t>(xref));
    out += "\n%%EOF\n";
    return {out.begin(), out.end()};
}

}  // namespace pdf

std::vector<std::uint8_t> write_pdf(const Drawing& drawing, const VectorOptions& options) {
    std::vector<std::string> objects = {"<</Type/Catalog/Pages 2 0 R>>", "<</Type/Pages/Kids[3 0 R]/Count 1>>"};
    std::ranges::move(pdf::page_objects(drawing, 2, 3, options), std::back_inserter(objects));
    return pdf::file_of_objects(objects);
}

}  // namespace tavlo::label
