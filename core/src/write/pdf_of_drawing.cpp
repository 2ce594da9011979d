// PDF of a label: one page of the label's exact size whose content draws the drawing in dots, written
// object by object with a cross-reference table. No dates or identifiers, so one drawing gives one file.
#include <zlib.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "decimal.hpp"
#include "drawing_text.hpp"
#include "pdf_page.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {
namespace {

constexpr double points_per_inch = 72;

void append_colour(std::string& out, Colour colour) {
    for (std::uint8_t channel : {colour.r, colour.g, colour.b}) {
        append_decimal(out, channel / 255.0, 4);
        out += ' ';
    }
    out += "rg\n";
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

std::string resources(const Drawing& drawing) {
    if (!translucent(drawing.background) && !translucent(drawing.foreground)) return "";
    std::string out = "/Resources<</ExtGState<<";
    const std::pair<const char*, Colour> states[] = {{"/a0", drawing.background}, {"/a1", drawing.foreground}};
    for (const auto& [name, colour] : states) {
        if (!translucent(colour)) continue;
        out += name;
        out += "<</ca ";
        append_decimal(out, colour.a / 255.0, 4);
        out += ">>";
    }
    return out + ">>>>";
}

// Drawn in dots from the top-left corner, as the drawing is: the matrix flips y and scales dots to points.
std::string page_content(const Drawing& drawing) {
    std::string out;
    out.reserve(64 + drawing.rects.size() * 20);
    const double scale = points_per_inch / drawing.dpi;
    append_decimal(out, scale, 8);
    out += " 0 0 ";
    append_decimal(out, -scale, 8);
    out += " 0 ";
    append_decimal(out, drawing.height * scale, 4);
    out += " cm\n";
    if (drawing.background.a != 0) {
        if (translucent(drawing.background)) out += "/a0 gs\n";
        append_colour(out, drawing.background);
        append_rect(out, {0, 0, drawing.width, drawing.height});
        out += "f\n";
    }
    const text::Outline glyphs = text_outline_of(drawing);
    if (!drawing.rects.empty() || !glyphs.empty()) {
        if (translucent(drawing.foreground)) out += "/a1 gs\n";
        append_colour(out, drawing.foreground);
        for (const Rect& r : drawing.rects) append_rect(out, r);
        if (!drawing.rects.empty()) out += "f\n";
        out += text::pdf_path_operators(glyphs);
    }
    return out;
}

std::string page_object(const Drawing& drawing, int parent, int contents) {
    const double scale = points_per_inch / drawing.dpi;
    std::string page = "<</Type/Page/Parent ";
    append_integer(page, parent);
    page += " 0 R/MediaBox[0 0 ";
    append_decimal(page, drawing.width * scale, 4);
    page += ' ';
    append_decimal(page, drawing.height * scale, 4);
    page += "]/Contents ";
    append_integer(page, contents);
    return page + " 0 R" + resources(drawing) + ">>";
}

std::string content_stream(const std::string& content) {
    const std::string compressed = deflate(content);
    std::string stream = "<</Length ";
    append_integer(stream, static_cast<std::int64_t>(compressed.size()));
    return stream + "/Filter/FlateDecode>>\nstream\n" + compressed + "\nendstream";
}

}  // namespace

namespace pdf {

std::vector<std::string> page_objects(const Drawing& drawing, int parent, int first) {
    return {page_object(drawing, parent, first + 1), content_stream(page_content(drawing))};
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

std::vector<std::uint8_t> write_pdf(const Drawing& drawing) {
    std::vector<std::string> objects = {"<</Type/Catalog/Pages 2 0 R>>", "<</Type/Pages/Kids[3 0 R]/Count 1>>"};
    std::ranges::move(pdf::page_objects(drawing, 2, 3), std::back_inserter(objects));
    return pdf::file_of_objects(objects);
}

}  // namespace tavlo::label
