// The cells of a label sheet in whole dots. Edges are rounded from their exact distance to the page's corner,
// never from the previous cell, so the last column sits where the data sheet puts it even after many cells.
#include <cmath>
#include <string>

#include "tavlo/sheet.hpp"

namespace tavlo::label {
namespace {

// The nearest whole dot to `dots`; lengths are finite and not negative, and checked against the page before
// they are narrowed.
std::uint32_t nearest_dot(double dots) { return static_cast<std::uint32_t>(std::lround(dots)); }

TavloError sheet_error(const std::string& message) { return TavloError::render("label sheet: " + message); }

}  // namespace

Result<SheetCells> sheet_cells(const SheetLayout& sheet, std::uint32_t dpi) {
    if (sheet.columns == 0 || sheet.rows == 0) return std::unexpected(sheet_error("columns and rows must be at least 1"));
    const double page_width = sheet.page_width.dots(dpi), page_height = sheet.page_height.dots(dpi);
    const double label_width = sheet.label_width.dots(dpi), label_height = sheet.label_height.dots(dpi);
    const double left = sheet.left.dots(dpi), top = sheet.top.dots(dpi);
    const double column_pitch = label_width + sheet.column_gap.dots(dpi);
    const double row_pitch = label_height + sheet.row_gap.dots(dpi);
    if (nearest_dot(label_width) == 0 || nearest_dot(label_height) == 0)
        return std::unexpected(sheet_error("a label must be at least one dot wide and high"));
    // A thousandth of a dot forgives the decimals of a data sheet's inches and millimetres.
    constexpr double slack = 1e-3;
    const double right = left + (sheet.columns - 1) * column_pitch + label_width;
    const double bottom = top + (sheet.rows - 1) * row_pitch + label_height;
    if (!(page_width < 4294967295.0 && page_height < 4294967295.0))
        return std::unexpected(sheet_error("the page is too large"));
    if (right > page_width + slack || bottom > page_height + slack) {
        return std::unexpected(sheet_error(std::to_string(sheet.columns) + " x " + std::to_string(sheet.rows) +
                                           " labels reach past the page"));
    }
    SheetCells result{nearest_dot(page_width), nearest_dot(page_height), {}};
    result.cells.reserve(std::size_t(sheet.columns) * sheet.rows);
    for (std::uint32_t row = 0; row < sheet.rows; ++row) {
        const double y = top + row * row_pitch;
        const std::uint32_t y0 = nearest_dot(y), y1 = std::min(nearest_dot(y + label_height), result.height);
        for (std::uint32_t column = 0; column < sheet.columns; ++column) {
            const double x = left + column * column_pitch;
            const std::uint32_t x0 = nearest_dot(x), x1 = std::min(nearest_dot(x + label_width), result.width);
            result.cells.push_back({x0, y0, x1 - x0, y1 - y0});
        }
    }
    return result;
}

}  // namespace tavlo::label
