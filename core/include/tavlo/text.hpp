// Human-readable text drawn from the built-in OCR-B outlines: no font is looked up at run time, so a label
// looks the same wherever it is made or opened. Everything here is in dots, y growing downwards.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavlo::text {

enum class Align { Left, Centre, Right };

// One line of text. `x` is the left edge, the centre or the right edge of the advance box as `align` says;
// `baseline` the row the glyphs stand on; `size` the height of the digits (OCR-B capitals are a little lower).
// Each glyph's pen is rounded to the nearest whole dot, and so is the baseline. Characters outside printable
// ASCII take a space's advance and draw nothing.
struct TextItem {
    std::string text;
    double x = 0;
    double baseline = 0;
    double size = 0;
    Align align = Align::Left;
};

struct Point {
    double x;
    double y;
};

// One outline operator: Move and Line use points[0]; Cubic uses all three (two control points, then the end);
// Close ends the contour.
struct PathCommand {
    enum class Op { Move, Line, Cubic, Close };
    Op op;
    std::array<Point, 3> points{};
};

using Outline = std::vector<PathCommand>;

// The advance width of `text` at `size`.
double text_width(std::string_view text, double size);

// How far the drawn glyphs of `text` reach above (positive) and below (positive) the baseline at `size`.
struct VerticalExtent {
    double above = 0;
    double below = 0;
};
VerticalExtent text_extent(std::string_view text, double size);

// The glyph outlines of one item, filled by the non-zero winding rule.
Outline text_outline(const TextItem& item);
// The same outlines appended to `outline`, for a drawing that gathers several items in one.
void append_text_outline(Outline& outline, const TextItem& item);

// The dark columns [begin, end) of one row, sorted, neither overlapping nor touching.
struct RowSpan {
    std::uint32_t begin;
    std::uint32_t end;
};

// The whole dots an outline fills, without anti-aliasing: a dot is dark when its centre lies inside the
// outline; nothing outside width x height is kept. Row i is image row first_row + i. All rows' spans stand
// in one array, row after row, so filling and reading them allocates nothing per row.
struct Coverage {
    std::uint32_t first_row = 0;
    std::vector<RowSpan> spans;
    std::vector<std::size_t> row_ends;  // one past row i's last span in `spans`, one entry a row

    std::size_t row_count() const { return row_ends.size(); }
    std::span<const RowSpan> row(std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : row_ends[i - 1];
        return std::span(spans).subspan(begin, row_ends[i] - begin);
    }
};
Coverage rasterise(const Outline& outline, std::uint32_t width, std::uint32_t height);

// The dots of text items, the same as rasterise gives for their outlines together. Glyph pens stand on whole
// dots, so each glyph's shape is filled once per size and thread and then copied into place.
Coverage rasterise_text(std::span<const TextItem> items, std::uint32_t width, std::uint32_t height);

// The outline as SVG path data ("M… L… C… Z"), coordinates in dots with at most two decimals.
std::string svg_path_data(const Outline& outline);

// The outline as PDF path operators (m, l, c, h) in the same coordinates, for a content stream whose matrix
// maps dots to the page; ends with the non-zero fill operator "f" when the outline is not empty.
std::string pdf_path_operators(const Outline& outline);

}  // namespace tavlo::text
