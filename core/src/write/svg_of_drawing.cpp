// SVG of a label: physical size in millimetres, a viewBox in dots, the background as one rectangle and every
// dark area in one path.
#include <algorithm>
#include <numeric>

#include "decimal.hpp"
#include "drawing_text.hpp"
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

// The root element with the physical size and the viewBox in dots, then the background unless transparent.
void append_start(std::string& out, const Drawing& drawing) {
    out += R"(<svg xmlns="http://www.w3.org/2000/svg" width=")";
    append_decimal(out, drawing.width * 25.4 / drawing.dpi, 4);
    out += R"(mm" height=")";
    append_decimal(out, drawing.height * 25.4 / drawing.dpi, 4);
    out += R"(mm" viewBox="0 0 )";
    append_integer(out, drawing.width);
    out += ' ';
    append_integer(out, drawing.height);
    out += R"(">)";
    if (drawing.background.a == 0) return;
    out += "<path";
    append_colour(out, "fill", drawing.background);
    out += R"( d="M0 0h)";
    append_integer(out, drawing.width);
    out += 'v';
    append_integer(out, drawing.height);
    out += R"(H0z"/>)";
}

}  // namespace

std::string write_svg(const Drawing& drawing) {
    std::vector<Rect> rects = drawing.rects;
    std::sort(rects.begin(), rects.end(),
              [](const Rect& a, const Rect& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    // Glyph outlines are filled in dots, so with text the bars are filled rectangles in dots too: one path.
    const std::string glyphs = text::svg_path_data(text_outline_of(drawing));
    const bool strokes = glyphs.empty() && !rects.empty() &&
                         std::all_of(rects.begin(), rects.end(), [&](const Rect& r) { return r.h == rects[0].h; });
    // Coordinates in their greatest common unit (the module width when nothing is offset or reduced), with the
    // path scaled back to dots: fewer digits for the same shapes.
    std::uint32_t unit = 0;
    for (const Rect& r : rects) unit = std::gcd(std::gcd(std::gcd(unit, r.x), std::gcd(r.y, r.w)), r.h);
    if (unit == 0 || !glyphs.empty()) unit = 1;

    std::string path;
    if (strokes) {
        append_strokes(path, rects, unit, false);
        if (rects[0].h == unit) {
            std::string columns;
            append_strokes(columns, column_runs(rects, unit, drawing.width, drawing.height), unit, true);
            if (!columns.empty() && columns.size() < path.size()) path = std::move(columns);
        }
    } else {
        append_fills(path, rects, unit);
    }
    path += glyphs;

    std::string out;
    out.reserve(200 + path.size());
    append_start(out, drawing);
    if (!path.empty()) {
        out += "<path";
        if (unit != 1) {
            out += R"( transform="scale()";
            append_integer(out, unit);
            out += ")\"";
        }
        if (strokes) {
            append_colour(out, "stroke", drawing.foreground);
            if (rects[0].h != unit) {
                out += R"( stroke-width=")";
                append_integer(out, rects[0].h / unit);
                out += '"';
            }
        } else if (drawing.foreground != black) {
            append_colour(out, "fill", drawing.foreground);
        }
        out += R"( d=")";
        out += path;
        out += R"("/>)";
    }
    out += "</svg>";
    return out;
}

}  // namespace tavlo::label
