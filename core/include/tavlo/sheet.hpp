// Pages made of labels: label drawings placed at whole dots on a larger drawing, the cells of a label sheet,
// and one PDF of several pages. A sheet is a page drawing holding one label drawing per cell; a template is
// a drawing holding several symbols, text and lines at their positions.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tavlo/label.hpp"

namespace tavlo::label {

// Draws `part` onto `page` with the part's top-left corner at (x, y) dots of the page: its rectangles and text
// move by whole dots, so every bar keeps its exact width, and take the page's colours. A Render error, and the
// page unchanged, when the part does not lie wholly inside the page or was drawn at another dpi.
Result<void> place(Drawing& page, const Drawing& part, std::uint32_t x, std::uint32_t y);

// Equal labels in a grid, as label-sheet data sheets give them: the first label's top-left corner is `left`
// and `top` from the page's; each next column starts label_width + column_gap further right, each next row
// label_height + row_gap further down.
struct SheetLayout {
    Length page_width, page_height;
    std::uint32_t columns = 1, rows = 1;  // at least 1 each
    Length left, top;
    Length label_width, label_height;
    Length column_gap, row_gap;
};

struct SheetCells {
    std::uint32_t width = 0, height = 0;  // the page in dots
    std::vector<Rect> cells;              // row by row, left to right: columns × rows cells
};

// The page and its cells in dots at `dpi`. Every cell edge is the whole dot nearest to where the lengths put
// it, measured from the page's corner, so rounding never adds up from cell to cell. A Render error when a size
// is zero or the grid reaches past the page.
Result<SheetCells> sheet_cells(const SheetLayout& sheet, std::uint32_t dpi);

// Where a label stands in its cell: centred (the odd dot left over on the right and
// below), or at the cell's top-left.
enum class CellAnchor { Centre, TopLeft };

struct Position {
    std::uint32_t x, y;
};

// The top-left corner of a width × height label in `cell`; a Render error when it is larger than the cell.
Result<Position> place_in_cell(const Rect& cell, std::uint32_t width, std::uint32_t height, CellAnchor anchor);

// The drawings as the pages of one PDF, in order, each page of its drawing's size; the same bytes for the same
// drawings. At least one drawing.
std::vector<std::uint8_t> write_pdf_pages(std::span<const Drawing> pages, const VectorOptions& options = {});

}  // namespace tavlo::label
