#include "glyph_paths.hpp"

#include <zlib.h>

#include <algorithm>
#include <new>
#include <array>
#include <string>

#include "decimal.hpp"
#include "../text/glyph_placement.hpp"

namespace tavlo::label {
namespace {

struct Paths {
    std::array<std::string, 256> svg, pdf, pdf_form;
    std::array<GlyphPath, 256> paths{};
};

// A number after another: SVG needs a space only before one without a sign.
void append_svg_number(std::string& out, int value, bool first) {
    if (!first && value >= 0) out += ' ';
    append_integer(out, value);
}

void make(unsigned char character, Paths& all) {
    std::string& svg = all.svg[character];
    std::string& pdf = all.pdf[character];
    GlyphPath& path = all.paths[character];
    const text::ocrb::Glyph glyph = text::ocrb::glyph(character);
    if (character < text::ocrb::first_glyph || character > text::ocrb::last_glyph || glyph.ops.empty()) return;
    path.left = path.bottom = 1 << 20;
    path.right = path.top = -(1 << 20);
    int x = 0, y = 0, start_x = 0, start_y = 0;
    std::size_t point = 0;
    char last = 0;
    for (char op : glyph.ops) {
        const int count = op == 'C' ? 3 : op == 'Z' ? 0 : 1;
        const char letter = static_cast<char>(op - 'A' + 'a');
        // A command repeats without its letter, except a move, whose repeats would be lines.
        const bool repeated = letter == last && letter != 'm' && letter != 'z';
        if (!repeated) svg += letter;
        last = letter;
        bool first = !repeated;
        for (int i = 0; i < count; ++i) {
            const text::ocrb::GlyphPoint p = glyph.points[point++];
            append_svg_number(svg, p.x - x, first);
            append_svg_number(svg, p.y - y, false);
            first = false;
            append_integer(pdf, p.x);
            pdf += ' ';
            append_integer(pdf, p.y);
            pdf += ' ';
            path.left = std::min<int>(path.left, p.x);
            path.right = std::max<int>(path.right, p.x);
            path.bottom = std::min<int>(path.bottom, p.y);
            path.top = std::max<int>(path.top, p.y);
        }
        if (count > 0) {
            // Relative points of a curve all count from its start, so the pen moves only after the last.
            x = glyph.points[point - 1].x;
            y = glyph.points[point - 1].y;
        }
        if (op == 'M') {
            start_x = x;
            start_y = y;
        } else if (op == 'Z') {
            x = start_x;
            y = start_y;
        }
        pdf += op == 'M' ? "m\n" : op == 'L' ? "l\n" : op == 'C' ? "c\n" : "h\n";
    }
    path.svg = svg;
    path.pdf = pdf;
    // Compressed once, as hard as zlib can: every PDF with the glyph copies these bytes.
    const std::string form = pdf + "f\n";
    std::string& packed = all.pdf_form[character];
    uLongf size = compressBound(static_cast<uLong>(form.size()));
    packed.resize(size);
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(form.data()),
                  static_cast<uLong>(form.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw std::bad_alloc();  // zlib fails here only for want of memory
    packed.resize(size);
    path.pdf_form = packed;
}

}  // namespace

const GlyphPath& glyph_path(unsigned char character) {
    // Made in place and kept for the life of the process: the views point into its strings.
    static const Paths* const paths = [] {
        auto* all = new Paths;
        for (unsigned c = 0; c < 256; ++c) make(static_cast<unsigned char>(c), *all);
        return all;
    }();
    return paths->paths[character];
}

double glyph_scale(double size) { return text::scale_for(size); }

}  // namespace tavlo::label
