#include "glyph_paths.hpp"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "decimal.hpp"
#include "../deflate/smallest_tokens.hpp"
#include "../text/glyph_placement.hpp"

namespace tavlo::label {
namespace {

struct Paths {
    std::array<std::string, 256> svg, pdf, pdf_fill;
    std::array<std::vector<std::uint32_t>, 256> pdf_fill_tokens;
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
    // Coded once, as thoroughly as the deflate search goes: every PDF with the glyph takes these tokens for its
    // first use and copies that stretch for the others.
    std::string& fill = all.pdf_fill[character];
    fill = pdf + "f\n";
    const deflate::Tokens tokens =
        deflate::smallest_tokens({reinterpret_cast<const std::uint8_t*>(fill.data()), fill.size()});
    const auto made = tokens.tokens().first(tokens.tokens().size() - 1);  // without the end of block
    all.pdf_fill_tokens[character].assign(made.begin(), made.end());
    path.pdf_fill = fill;
    path.pdf_fill_tokens = all.pdf_fill_tokens[character];
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
