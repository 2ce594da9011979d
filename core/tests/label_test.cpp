// The label pieces below the Python surface: option texts, sizing refusals, and the writers on drawings the
// symbol kinds do not make yet (rectangles of several heights, overlapping rectangles).
#include <string>

#include "check.hpp"
#include "tavlo/label.hpp"

using namespace tavlo;
using namespace tavlo::label;

namespace {

void lengths_and_colours() {
    CHECK(parse_length("0.33mm")->unit == Length::Unit::Mm);
    CHECK(parse_length(" 13 mil ")->value == 13);
    CHECK(parse_length("4dots")->dots(600) == 4);
    CHECK(parse_length("1in")->dots(203) == 203);
    for (const char* bad : {"", "mm", "1", "1 cm", "-1mm", "1e999mm", "1mmm", "0x1mm"}) CHECK(!parse_length(bad));
    CHECK((*parse_colour("#102030") == Colour{16, 32, 48, 255}));
    CHECK((*parse_colour("#1234") == Colour{0x11, 0x22, 0x33, 0x44}));
    CHECK(parse_colour("transparent")->a == 0);
    for (const char* bad : {"", "#", "#12", "#12345", "#1234567", "#gg0000", "red"}) CHECK(!parse_colour(bad));
}

void sizing() {
    LinearGeometry bars{{{0, 1}, {2, 1}}, 3};
    const Symbol symbol{find_kind("code128"), &bars, {}};
    Options options;
    options.quiet_zone = 1;
    options.width = Length{10, Length::Unit::Dots};
    auto layout = plan(symbol, options);
    CHECK(layout && layout->x_dots == 2 && layout->width == 10 && layout->left == 0);
    options.width = Length{11, Length::Unit::Dots};
    layout = plan(symbol, options);
    CHECK(layout && layout->x_dots == 2 && layout->width == 11 && layout->left == 0);
    options.width = Length{4, Length::Unit::Dots};
    CHECK(!plan(symbol, options));
    options.width.reset();
    options.quiet_zone = 4000000000u;
    CHECK(!plan(symbol, options));
}

Drawing two_heights() {
    Drawing drawing;
    drawing.width = 10;
    drawing.height = 8;
    drawing.dpi = 254;
    drawing.rects = {{1, 0, 2, 8}, {4, 0, 2, 6}, {5, 2, 3, 2}};
    return drawing;
}

void writers() {
    const Drawing drawing = two_heights();
    const std::string svg = write_svg(drawing);
    CHECK(svg.find(R"(width="1mm" height=".8mm" viewBox="0 0 10 8")") != std::string::npos);
    CHECK(svg.find(R"(<path d="M1 0h2v8h-2zm3 0h2v6h-2zm1 2h3v2h-3z"/>)") != std::string::npos);
    CHECK(write_pdf(drawing) == write_pdf(drawing));
    CHECK(write_png(drawing).has_value());
}

}  // namespace

int main() {
    lengths_and_colours();
    sizing();
    writers();
    return test::failures();
}
