// SVG of a label: physical size in millimetres, a viewBox in dots, the background as one rectangle and every
// dark area in one path.
#include <algorithm>
#include <numeric>

#include "decimal.hpp"
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
    const bool short_form = std::all_of(std::begin(channels), std::end(channels),
                                        [](std::uint8_t c) { return c >> 4 == (c & 15); });
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
    if (halves % 2 == 0) append_integer(out, halves / 2);
    else append_decimal(out, halves / 2.0, 1);
}

// A relative move: a separator is needed only where the next number does not start with a sign.
void append_move(std::string& out, std::int64_t dx_halves, std::int64_t dy_halves) {
    append_halves(out, dx_halves);
    if (dy_halves >= 0) out += ' ';
    append_halves(out, dy_halves);
}

// All rectangles share one height, so each is a horizontal stroke of that width along its centre line:
// "m<gap> 0h<length>" per run, the form that keeps a matrix symbol smallest.
void append_strokes(std::string& out, const std::vector<Rect>& rects, std::uint32_t unit) {
    std::int64_t x = 0, y = 0;  // current point, in half units
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const Rect& r = rects[i];
        const std::int64_t rx = 2 * std::int64_t(r.x / unit), ry = 2 * std::int64_t(r.y / unit) + r.h / unit;
        out += i == 0 ? 'M' : 'm';
        if (i == 0) append_move(out, rx, ry);
        else append_move(out, rx - x, ry - y);
        out += 'h';
        append_integer(out, r.w / unit);
        x = rx + 2 * std::int64_t(r.w / unit);
        y = ry;
    }
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

}  // namespace

std::string write_svg(const Drawing& drawing) {
    std::vector<Rect> rects = drawing.rects;
    std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    const bool strokes =
        !rects.empty() && std::all_of(rects.begin(), rects.end(), [&](const Rect& r) { return r.h == rects[0].h; });
    // Coordinates in their greatest common unit (the module width when nothing is offset or reduced), with the
    // path scaled back to dots: fewer digits for the same shapes.
    std::uint32_t unit = 0;
    for (const Rect& r : rects) unit = std::gcd(std::gcd(std::gcd(unit, r.x), std::gcd(r.y, r.w)), r.h);
    if (unit == 0) unit = 1;

    std::string out;
    out.reserve(200 + rects.size() * 8);
    out += R"(<svg xmlns="http://www.w3.org/2000/svg" width=")";
    append_decimal(out, drawing.width * 25.4 / drawing.dpi, 4);
    out += R"(mm" height=")";
    append_decimal(out, drawing.height * 25.4 / drawing.dpi, 4);
    out += R"(mm" viewBox="0 0 )";
    append_integer(out, drawing.width);
    out += ' ';
    append_integer(out, drawing.height);
    out += R"(">)";
    if (drawing.background.a != 0) {
        out += R"(<rect width="100%" height="100%")";
        append_colour(out, "fill", drawing.background);
        out += "/>";
    }
    if (!rects.empty()) {
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
        if (strokes) append_strokes(out, rects, unit);
        else append_fills(out, rects, unit);
        out += R"("/>)";
    }
    out += "</svg>";
    return out;
}

}  // namespace tavlo::label
