// PDF of a label: one page of the label's exact size whose content draws the drawing in dots, each glyph of its
// text a form XObject drawn where the glyph stands, written object by object with a cross-reference table. No
// dates or identifiers, so one drawing gives one file.
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <stdexcept>

#include "decimal.hpp"
#include "device_colour.hpp"
#include "glyph_paths.hpp"
#include "glyph_uses.hpp"
#include "pdf_page.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {
namespace {

constexpr double points_per_inch = 72;

// The non-stroking colour operator of the colour space.
void append_colour(std::string& out, Colour colour, ColourSpace space) {
    append_device_colour(out, colour, space, {"g\n", "rg\n", "k\n"});
}

// Each glyph drawn by its form, the pen moved from one glyph to the next by translations: a form leaves the
// graphics state as it found it, so the translations add up.
void append_glyph_uses(std::string& out, const GlyphUses& glyphs) {
    out += "q\n";
    std::int64_t x = 0, y = 0;
    for (const GlyphUse& use : glyphs.uses) {
        out += "1 0 0 1 ";
        append_integer(out, use.x - x);
        out += ' ';
        append_integer(out, use.y - y);
        out += " cm";
        out += '/';
        append_shape_name(out, use.shape);
        out += " Do\n";
        x = use.x;
        y = use.y;
    }
    out += "Q\n";
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

// Drawn in dots from the top-left corner, as the drawing is: the matrix flips y and scales dots to points.
std::string page_content(const Drawing& drawing, const GlyphUses& glyphs, ColourSpace space) {
    std::string out;
    out.reserve(64 + drawing.rects.size() * 20 + glyphs.uses.size() * 24);
    const double scale = points_per_inch / drawing.dpi;
    append_decimal(out, scale, 8);
    out += " 0 0 ";
    append_decimal(out, -scale, 8);
    out += " 0 ";
    append_decimal(out, drawing.height * scale, 4);
    out += " cm\n";
    if (drawing.background.a != 0) {
        if (translucent(drawing.background)) out += "/a0 gs\n";
        append_colour(out, drawing.background, space);
        append_rect(out, {0, 0, drawing.width, drawing.height});
        out += "f\n";
    }
    if (!drawing.rects.empty() || !glyphs.uses.empty()) {
        if (translucent(drawing.foreground)) out += "/a1 gs\n";
        append_colour(out, drawing.foreground, space);
        for (const Rect& r : drawing.rects) append_rect(out, r);
        if (!drawing.rects.empty()) out += "f\n";
        if (!glyphs.uses.empty()) append_glyph_uses(out, glyphs);
    }
    return out;
}

// Page content is a few KiB of short, repetitive lines: a 4 KiB window finds nearly every match a larger one
// would, and its small tables keep a label's call from allocating fresh pages.
constexpr int window_bits = 12;
constexpr int memory_level = 4;

std::string deflate(const std::string& data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, window_bits, memory_level, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        throw std::bad_alloc();  // zlib fails here only for want of memory
    }
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = ::deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) throw std::bad_alloc();
    return out;
}

// The glyph forms are objects `first_form` on, in the order of the shapes.
std::string resources(const Drawing& drawing, const GlyphUses& glyphs, std::size_t first_form) {
    const bool states = translucent(drawing.background) || translucent(drawing.foreground);
    if (!states && glyphs.shapes.empty()) return "";
    std::string out = "/Resources<<";
    if (states) {
        out += "/ExtGState<<";
        const std::pair<const char*, Colour> all[] = {{"/a0", drawing.background}, {"/a1", drawing.foreground}};
        for (const auto& [name, colour] : all) {
            if (!translucent(colour)) continue;
            out += name;
            out += "<</ca ";
            append_decimal(out, colour.a / 255.0, 4);
            out += ">>";
        }
        out += ">>";
    }
    if (!glyphs.shapes.empty()) {
        out += "/XObject<<";
        for (std::size_t i = 0; i < glyphs.shapes.size(); ++i) {
            out += '/';
            append_shape_name(out, i);
            out += ' ';
            append_integer(out, static_cast<std::int64_t>(first_form + i));
            out += " 0 R";
        }
        out += ">>";
    }
    return out + ">>";
}

std::string stream_object(std::string_view dictionary, const std::string& data) {
    std::string out = "<<";
    out += dictionary;
    out += "/Length ";
    append_integer(out, static_cast<std::int64_t>(data.size()));
    out += "/Filter/FlateDecode>>\nstream\n" + data + "\nendstream";
    return out;
}

// A glyph's form: its path in font units, scaled by the form's matrix to dots from its pen, filled. The stream
// is the same at every size, so it is compressed once per process.
std::string glyph_form(const GlyphShape& shape) {
    const GlyphPath& path = glyph_path(shape.character);
    std::string out = "<</Type/XObject/Subtype/Form/BBox[";
    for (int value : {path.left, path.bottom, path.right, path.top}) {
        append_integer(out, value);
        out += ' ';
    }
    out.back() = ']';
    out += "/Matrix[";
    append_decimal(out, shape.scale, 7);
    out += " 0 0 ";
    append_decimal(out, -shape.scale, 7);
    out += " 0 0]/Length ";
    append_integer(out, static_cast<std::int64_t>(path.pdf_form.size()));
    out += "/Filter/FlateDecode>>\nstream\n";
    out += path.pdf_form;
    out += "\nendstream";
    return out;
}

}  // namespace

namespace pdf {

std::vector<std::string> page_objects(const Drawing& drawing, int parent, int first, ColourSpace space) {
    const double scale = points_per_inch / drawing.dpi;
    const GlyphUses glyphs = glyph_uses(drawing);
    const std::size_t first_form = std::size_t(first) + 2;  // after the page and its content
    std::string page = "<</Type/Page/Parent ";
    append_integer(page, parent);
    page += " 0 R/MediaBox[0 0 ";
    append_decimal(page, drawing.width * scale, 4);
    page += ' ';
    append_decimal(page, drawing.height * scale, 4);
    page += "]/Contents ";
    append_integer(page, first + 1);
    page += " 0 R" + resources(drawing, glyphs, first_form) + ">>";
    std::vector<std::string> objects = {std::move(page),
                                        stream_object("", deflate(page_content(drawing, glyphs, space)))};
    for (const GlyphShape& shape : glyphs.shapes) objects.push_back(glyph_form(shape));
    return objects;
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

std::vector<std::uint8_t> write_pdf(const Drawing& drawing, ColourSpace space) {
    std::vector<std::string> objects = {"<</Type/Catalog/Pages 2 0 R>>", "<</Type/Pages/Kids[3 0 R]/Count 1>>"};
    std::ranges::move(pdf::page_objects(drawing, 2, 3, space), std::back_inserter(objects));
    return pdf::file_of_objects(objects);
}

}  // namespace tavlo::label
