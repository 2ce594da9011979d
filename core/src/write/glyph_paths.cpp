#include "glyph_paths.hpp"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <initializer_list>
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

struct Pen {
    int x = 0, y = 0;
};

// SVG path data of a glyph, relative, with y down (the font's y negated, so that one scale places it): a
// line along an axis as "h" or "v", a curve whose first control point mirrors the last one of the curve
// before as "s", and a command that repeats without its letter (except a move, whose repeats would be lines).
std::string svg_path_data(const text::ocrb::Glyph& glyph) {
    std::string svg;
    Pen pen, start, control;  // control: the last curve's second control point, when `last` is a curve
    std::size_t point = 0;
    char last = 0;
    const auto next = [&] {
        const text::ocrb::GlyphPoint p = glyph.points[point++];
        return Pen{p.x, -p.y};
    };
    const auto command = [&](char letter, std::initializer_list<int> values) {
        const bool repeated = letter == last && letter != 'm' && letter != 'z';
        if (!repeated) svg += letter;
        last = letter;
        bool first = !repeated;
        for (int value : values) {
            append_svg_number(svg, value, first);
            first = false;
        }
    };
    for (char op : glyph.ops) {
        if (op == 'M') {
            const Pen p = next();
            command('m', {p.x - pen.x, p.y - pen.y});
            pen = start = p;
        } else if (op == 'L') {
            const Pen p = next();
            if (p.y == pen.y)
                command('h', {p.x - pen.x});
            else if (p.x == pen.x)
                command('v', {p.y - pen.y});
            else
                command('l', {p.x - pen.x, p.y - pen.y});
            pen = p;
        } else if (op == 'C') {
            const Pen c1 = next(), c2 = next(), p = next();
            const bool mirrored = (last == 'c' || last == 's') && c1.x == 2 * pen.x - control.x &&
                                  c1.y == 2 * pen.y - control.y;
            if (mirrored)
                command('s', {c2.x - pen.x, c2.y - pen.y, p.x - pen.x, p.y - pen.y});
            else
                command('c', {c1.x - pen.x, c1.y - pen.y, c2.x - pen.x, c2.y - pen.y, p.x - pen.x, p.y - pen.y});
            control = c2;
            pen = p;
        } else {
            command('z', {});
            pen = start;
        }
    }
    return svg;
}

void make(unsigned char character, Paths& all) {
    std::string& pdf = all.pdf[character];
    GlyphPath& path = all.paths[character];
    const text::ocrb::Glyph glyph = text::ocrb::glyph(character);
    if (character < text::ocrb::first_glyph || character > text::ocrb::last_glyph || glyph.ops.empty()) return;
    path.left = path.bottom = 1 << 20;
    path.right = path.top = -(1 << 20);
    std::size_t point = 0;
    for (char op : glyph.ops) {
        const int count = op == 'C' ? 3 : op == 'Z' ? 0 : 1;
        for (int i = 0; i < count; ++i) {
            const text::ocrb::GlyphPoint p = glyph.points[point++];
            append_integer(pdf, p.x);
            pdf += ' ';
            append_integer(pdf, p.y);
            pdf += ' ';
            path.left = std::min<int>(path.left, p.x);
            path.right = std::max<int>(path.right, p.x);
            path.bottom = std::min<int>(path.bottom, p.y);
            path.top = std::max<int>(path.top, p.y);
        }
        pdf += op == 'M' ? "m\n" : op == 'L' ? "l\n" : op == 'C' ? "c\n" : "h\n";
    }
    all.svg[character] = svg_path_data(glyph);
    const std::string& svg = all.svg[character];
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
    path.pdf_fill_adler = static_cast<std::uint32_t>(
        adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(fill.data()), static_cast<uInt>(fill.size())));
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
