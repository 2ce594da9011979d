// Sheets below the Python surface: cell edges rounded from the page's corner, placement in a cell, parts
// moved by whole dots and refused outside the page, and the page tree of a multi-page PDF.
#include <string>

#include "check.hpp"
#include "tavlo/sheet.hpp"

using namespace tavlo;
using namespace tavlo::label;

namespace {

Length mm(double value) { return {value, Length::Unit::Mm}; }

// 3 × 8 labels of 70 × 37 mm filling an A4 page edge to edge, top margin 0.5 mm.
SheetLayout a4_3x8() { return {mm(210), mm(297), 3, 8, mm(0), mm(0.5), mm(70), mm(37), mm(0), mm(0)}; }

void cells() {
    auto sheet = sheet_cells(a4_3x8(), 300);
    CHECK(sheet && sheet->width == 2480 && sheet->height == 3508 && sheet->cells.size() == 24);
    // 70 mm at 300 dpi is 826.77 dots: the cells are 827, 827 and 826 wide, each edge the nearest dot.
    CHECK(sheet->cells[0].x == 0 && sheet->cells[0].w == 827);
    CHECK(sheet->cells[1].x == 827 && sheet->cells[1].w == 827);
    CHECK(sheet->cells[2].x == 1654 && sheet->cells[2].w == 826);
    CHECK(sheet->cells[3].y == sheet->cells[0].y + sheet->cells[0].h);  // no gap between rows here
    CHECK(sheet->cells[23].y + sheet->cells[23].h == 3502);             // 296.5 mm
    SheetLayout too_many = a4_3x8();
    too_many.columns = 4;
    CHECK(!sheet_cells(too_many, 300));
    too_many = a4_3x8();
    too_many.rows = 0;
    CHECK(!sheet_cells(too_many, 300));
}

void placing() {
    const Rect cell{100, 200, 11, 9};
    CHECK((place_in_cell(cell, 4, 4, CellAnchor::Centre)->x == 103 && place_in_cell(cell, 4, 4, CellAnchor::Centre)->y == 202));
    CHECK((place_in_cell(cell, 4, 4, CellAnchor::TopLeft)->x == 100));
    CHECK(!place_in_cell(cell, 12, 4, CellAnchor::Centre));
    CHECK(place_in_cell(cell, 4, 10, CellAnchor::TopLeft).error().display().find("does not fit its cell") !=
          std::string::npos);

    Drawing page{100, 50, 300, black, white, {}, {}};
    Drawing part{10, 10, 300, black, white, {{1, 2, 3, 4}}, {{"12", 5, 9, 4, Align::Centre}}};
    CHECK(place(page, part, 90, 40));
    CHECK(page.rects.size() == 1 && page.rects[0].x == 91 && page.rects[0].y == 42);
    CHECK(page.texts.size() == 1 && page.texts[0].x == 95 && page.texts[0].baseline == 49);
    CHECK(!place(page, part, 91, 0));
    CHECK(!place(page, part, 0xFFFFFFF0u, 0));
    part.dpi = 600;
    CHECK(!place(page, part, 0, 0));
    CHECK(page.rects.size() == 1);
}

void pdf_pages() {
    const Drawing one{10, 10, 72, black, white, {{0, 0, 5, 5}}, {}};
    const Drawing pages[] = {one, one, one};
    const auto bytes = write_pdf_pages(pages);
    const std::string text(bytes.begin(), bytes.end());
    CHECK(text.find("/Kids[3 0 R 5 0 R 7 0 R]/Count 3") != std::string::npos);
    CHECK(text.find("xref\n0 9\n") != std::string::npos);
    // One page is the one-page writer's file, byte for byte.
    const auto single = write_pdf_pages(std::span(pages, 1));
    CHECK(single == write_pdf(one));
}

}  // namespace

int main() {
    cells();
    placing();
    pdf_pages();
    return tavlo::test::failures();
}
