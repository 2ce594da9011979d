// SVG of a label: physical size in millimetres, a viewBox in dots, the background as one rectangle, every dark
// rectangle in one path, and each glyph of the text defined once and placed with <use>, or the text as <text>
// in a named font.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <numeric>

#include "decimal.hpp"
#include "device_colour.hpp"
#include "glyph_paths.hpp"
#include "glyph_uses.hpp"
#include "svg_named_text.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {
namespace {

void append_colour(std::string& out, const char* attribute, Colour colour) {
    static constexpr char hex[] = "0123456789abcdef";
    out += ' ';
    out += attribute;
    out += "=\"#";
    const std::uint8_t channels[] = {colour.r, colour.g, colour.b};
    // "#rgb" when every channel repeats its digit, as black and white do.
    const bool short_form =
        std::all_of(std::begin(channels), std::end(channels), [](std::uint8_t c) { return c >> 4 == (c & 15); });
    for (std::uint8_t c : channels) {
        out += hex[c >> 4];
        if (!short_form) out += hex[c & 15];
    }
    out += '"';
    if (colour.a != 255) {
        out += ' ';
        out += attribute;
        out += "-opacity=\"";
        append_decimal(out, colour.a / 255.0, 3);
        out += '"';
    }
}

// A number in half units (the centre line of an odd-height stroke), written shortest.
void append_halves(std::string& out, std::int64_t halves) {
    if (halves % 2 == 0)
        append_integer(out, halves / 2);
    else
        append_decimal(out, halves / 2.0, 1);
}

// A relative move: a separator is needed only where the next number does not start with a sign.
void append_move(std::string& out, std::int64_t dx_halves, std::int64_t dy_halves) {
    append_halves(out, dx_halves);
    if (dy_halves >= 0) out += ' ';
    append_halves(out, dy_halves);
}

// All rectangles share one height, so each is a stroke of that width along its centre line: "m<gap> 0h<length>"
// per run, the form that keeps a matrix symbol smallest. `transposed` rectangles have x and y (and w and h)
// swapped and are written as vertical strokes.
void append_strokes(std::string& out, const std::vector<Rect>& rects, std::uint32_t unit, bool transposed) {
    std::int64_t x = 0, y = 0;  // current point along and across the strokes, in half units
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const Rect& r = rects[i];
        const std::int64_t rx = 2 * std::int64_t(r.x / unit), ry = 2 * std::int64_t(r.y / unit) + r.h / unit;
        out += i == 0 ? 'M' : 'm';
        const std::int64_t dx = i == 0 ? rx : rx - x, dy = i == 0 ? ry : ry - y;
        if (transposed)
            append_move(out, dy, dx);
        else
            append_move(out, dx, dy);
        out += transposed ? 'v' : 'h';
        append_integer(out, r.w / unit);
        x = rx + 2 * std::int64_t(r.w / unit);
        y = ry;
    }
}

// Cells of one unit side make a grid small enough to hold when there are at most this many.
constexpr std::uint64_t max_grid_cells = std::uint64_t{1} << 22;

// The column runs of rectangles one unit high, transposed (x is the row, y the column), column by column:
// a matrix symbol is sometimes shorter written in columns. Empty when the grid is too large to hold.
std::vector<Rect> column_runs(const std::vector<Rect>& rects, std::uint32_t unit, std::uint32_t width,
                              std::uint32_t height) {
    const std::uint64_t columns = width / unit + 1, rows = height / unit + 1;
    if (columns * rows > max_grid_cells) return {};
    std::vector<std::uint8_t> dark(columns * rows, 0);  // column-major
    for (const Rect& r : rects)
        for (std::uint32_t c = r.x / unit; c < (r.x + r.w) / unit; ++c) dark[c * rows + r.y / unit] = 1;
    std::vector<Rect> runs;
    for (std::uint64_t c = 0; c < columns; ++c) {
        const std::uint8_t* column = dark.data() + c * rows;
        for (std::uint64_t r = 0; r < rows;) {
            if (!column[r]) {
                ++r;
                continue;
            }
            const std::uint64_t begin = r;
            while (r < rows && column[r]) ++r;
            runs.push_back(
                {std::uint32_t(begin * unit), std::uint32_t(c * unit), std::uint32_t((r - begin) * unit), unit});
        }
    }
    return runs;
}

// Rectangles of several heights: one closed subpath each; after "z" the pen is back at its corner.
void append_fills(std::string& out, const std::vector<Rect>& rects, std::uint32_t unit) {
    std::int64_t x = 0, y = 0;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const Rect& r = rects[i];
        const std::int64_t rx = r.x / unit, ry = r.y / unit;
        out += i == 0 ? 'M' : 'm';
        append_move(out, 2 * (rx - x), 2 * (ry - y));
        out += 'h';
        append_integer(out, r.w / unit);
        out += 'v';
        append_integer(out, r.h / unit);
        out += 'h';
        append_integer(out, -std::int64_t(r.w / unit));
        out += 'z';
        x = rx;
        y = ry;
    }
}

// A length of `dots` at `dpi` in millimetres, written so that a rasteriser at `dpi` sizes the image to exactly
// `dots` pixels. librsvg rounds the length in pixels up, after arithmetic in single precision that lands up to
// a few parts in ten million above the exact value; others round to the nearest. A length a hair short of the
// exact one, by `short_by` dots (far less than any printer resolves), gives `dots` with both: measured with
// rsvg-convert 2.54, exact lengths written to four or six decimals gave 896 rows for 895 dots at 203 dpi and
// 862 for 861 at 72, and lengths short by up to 2.7e-5 dots still did.
void append_exact_mm(std::string& out, std::uint32_t dots, std::uint32_t dpi) {
    constexpr double least_short = 5e-4, relative_short = 4e-7;
    constexpr double micro_per_inch = 25'400'000;  // millionths of a millimetre in an inch
    const double short_by = std::max(least_short, dots * relative_short);
    // The millionths rounded down, but not for the last bit of a product that is whole in decimal.
    constexpr double whole_slack = 1e-6;
    const auto micro =
        static_cast<std::uint64_t>(std::floor(std::max(0.0, dots - short_by) * micro_per_inch / dpi + whole_slack));
    if (micro >= 1'000'000 || micro == 0) append_integer(out, static_cast<std::int64_t>(micro / 1'000'000));
    if (const std::uint64_t fraction = micro % 1'000'000) {
        char digits[8];
        std::snprintf(digits, sizeof digits, ".%06llu", static_cast<unsigned long long>(fraction));
        std::string_view text(digits);
        while (text.back() == '0') text.remove_suffix(1);
        out += text;
    }
    out += "mm";
}

// The root element with the physical size and the viewBox in dots, then the background unless transparent.
void append_start(std::string& out, const Drawing& drawing, ColourSpace space) {
    out += R"(<svg xmlns="http://www.w3.org/2000/svg" width=")";
    append_exact_mm(out, drawing.width, drawing.dpi);
    out += R"(" height=")";
    append_exact_mm(out, drawing.height, drawing.dpi);
    out += R"(" viewBox="0 0 )";
    append_integer(out, drawing.width);
    out += ' ';
    append_integer(out, drawing.height);
    out += R"(">)";
    if (drawing.background.a == 0) return;
    out += "<path";
    append_colour(out, "fill", svg_colour(drawing.background, space));
    out += R"( d="M0 0h)";
    append_integer(out, drawing.width);
    out += 'v';
    append_integer(out, drawing.height);
    out += R"(H0z"/>)";
}

// Font units to dots: a glyph a thousand units wide is off by less than a thousandth of a dot.
constexpr int scale_decimals = 7;
// A pen in font units: a hundredth of a unit is a five-thousandth of a dot at the largest text sizes.
constexpr int pen_decimals = 2;

// Each glyph's outline once in <defs>, in font units whatever the sizes it is drawn at, then a <use> for every
// glyph in groups of one baseline and one text size, whose transform holds the baseline and the scale, so a
// use needs only its pen in font units; a group carries the foreground colour when it is not black.
void append_text(std::string& out, const GlyphUses& glyphs, Colour foreground) {
    if (glyphs.uses.empty()) return;
    // The name of each character's outline: the order of its first use.
    std::array<std::uint32_t, 256> name_of{};
    std::uint32_t names = 0;
    out += "<defs>";
    for (const GlyphShape& shape : glyphs.shapes) {
        if (name_of[shape.character] != 0) continue;
        name_of[shape.character] = ++names;
        out += R"(<path id=")";
        append_shape_name(out, names - 1);
        out += R"(" d=")";
        out += glyph_path(shape.character).svg;
        out += R"("/>)";
    }
    out += "</defs>";
    const GlyphUse* group = nullptr;  // the first use of the open group
    for (const GlyphUse& use : glyphs.uses) {
        const GlyphShape& shape = glyphs.shapes[use.shape];
        if (!group || use.y != group->y || shape.scale != glyphs.shapes[group->shape].scale) {
            if (group) out += "</g>";
            group = &use;
            out += R"(<g transform="translate(0 )";
            append_integer(out, use.y);
            out += ")scale(";
            append_decimal(out, shape.scale, scale_decimals);
            out += ")\"";
            if (foreground != black) append_colour(out, "fill", foreground);
            out += '>';
        }
        out += R"(<use href="#)";
        append_shape_name(out, name_of[shape.character] - 1);
        out += '"';
        if (use.x != 0) {
            out += R"( x=")";
            append_decimal(out, static_cast<double>(use.x) / shape.scale, pen_decimals);
            out += '"';
        }
        out += "/>";
    }
    out += "</g>";
}

// One path element of rectangles in `unit`s: strokes `stroke_height` dots wide, or fills where it is 0.
void append_rect_element(std::string& out, const std::string& path, std::uint32_t unit, std::uint32_t stroke_height,
                         Colour foreground) {
    if (path.empty()) return;
    out += "<path";
    if (unit != 1) {
        out += R"( transform="scale()";
        append_integer(out, unit);
        out += ")\"";
    }
    if (stroke_height != 0) {
        append_colour(out, "stroke", foreground);
        if (stroke_height != unit) {
            out += R"( stroke-width=")";
            append_integer(out, stroke_height / unit);
            out += '"';
        }
    } else if (foreground != black) {
        append_colour(out, "fill", foreground);
    }
    out += R"( d=")";
    out += path;
    out += R"("/>)";
}

// Rectangles of a few heights (an EAN's guard bars reach below the others) as a path of strokes per height,
// often shorter than one path of fills; empty when there are more heights than this is worth.
constexpr std::size_t max_stroke_heights = 4;

std::string strokes_by_height(const std::vector<Rect>& rects, std::uint32_t unit, Colour foreground) {
    std::vector<std::uint32_t> heights;
    for (const Rect& r : rects) {
        if (std::ranges::find(heights, r.h) != heights.end()) continue;
        if (heights.size() == max_stroke_heights) return "";
        heights.push_back(r.h);
    }
    std::string out;
    std::vector<Rect> same;
    for (std::uint32_t height : heights) {
        same.clear();
        std::ranges::copy_if(rects, std::back_inserter(same), [&](const Rect& r) { return r.h == height; });
        std::string path;
        append_strokes(path, same, unit, false);
        append_rect_element(out, path, unit, height, foreground);
    }
    return out;
}

}  // namespace

std::string write_svg(const Drawing& drawing, const VectorOptions& options) {
    const ColourSpace space = options.colour_space;
    std::vector<Rect> rects = drawing.rects;
    std::sort(rects.begin(), rects.end(),
              [](const Rect& a, const Rect& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    const bool strokes = !rects.empty() &&
                         std::all_of(rects.begin(), rects.end(), [&](const Rect& r) { return r.h == rects[0].h; });
    // Coordinates in their greatest common unit (the module width when nothing is offset or reduced), with the
    // path scaled back to dots: fewer digits for the same shapes.
    std::uint32_t unit = 0;
    for (const Rect& r : rects) unit = std::gcd(std::gcd(std::gcd(unit, r.x), std::gcd(r.y, r.w)), r.h);
    if (unit == 0) unit = 1;
    const Colour foreground = svg_colour(drawing.foreground, space);

    std::string elements;
    if (strokes) {
        std::string path;
        append_strokes(path, rects, unit, false);
        if (rects[0].h == unit) {
            std::string columns;
            append_strokes(columns, column_runs(rects, unit, drawing.width, drawing.height), unit, true);
            if (!columns.empty() && columns.size() < path.size()) path = std::move(columns);
        }
        append_rect_element(elements, path, unit, rects[0].h, foreground);
    } else if (!rects.empty()) {
        std::string path;
        append_fills(path, rects, unit);
        append_rect_element(elements, path, unit, 0, foreground);
        std::string by_height = strokes_by_height(rects, unit, foreground);
        if (!by_height.empty() && by_height.size() < elements.size()) elements = std::move(by_height);
    }
    std::string out;
    out.reserve(200 + elements.size() + drawing.texts.size() * 64);
    append_start(out, drawing, space);
    out += elements;
    if (options.text_font == TextFont::Named) {
        std::string fill;
        if (foreground != black) append_colour(fill, "fill", foreground);
        append_named_text(out, text_runs(drawing), fill);
    }
    else
        append_text(out, glyph_uses(drawing), foreground);
    out += "</svg>";
    return out;
}

}  // namespace tavlo::label
