// Text in a named font (TextFont::Named) below the Python surface: how a drawing's items become runs, and each
// writer's text for a run whose pens are not the font's advances (a retail symbol's digit groups).
#include <string>

#include "check.hpp"
#include "tavlo/label.hpp"
#include "write/text_runs.hpp"

using namespace tavlo::label;

namespace {

// Text at size 30 (OCR-B's advance 28.06 dots): "12" from x 40, then "34" from x 110 on the same baseline, a
// blank line, and a smaller line below (size 20, advance 18.71) with a byte outside ASCII.
Drawing two_groups() {
    Drawing drawing;
    drawing.width = 200;
    drawing.height = 100;
    drawing.texts = {{"12", 40, 50, 30, Align::Left},
                     {"34", 110, 50, 30, Align::Left},
                     {"  ", 0, 80, 30, Align::Left},
                     {"(\xc3)", 10, 90, 20, Align::Left}};
    return drawing;
}

void runs() {
    const auto found = text_runs(two_groups());
    CHECK(found.size() == 2);
    // Items after one another on one baseline at one size make one run; blank items none.
    CHECK(found[0].text == "1234" && found[0].baseline == 50 && found[0].size == 30);
    CHECK((found[0].pens == std::vector<std::int64_t>{40, 68, 110, 138}));
    // Bytes outside printable ASCII are blank, as the outlines leave them, and keep their places.
    CHECK(found[1].text == "( )" && (found[1].pens == std::vector<std::int64_t>{10, 29, 47}));
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void writers() {
    const Drawing drawing = two_groups();
    const VectorOptions named{ColourSpace::Rgb, TextFont::Named};
    const std::string svg = write_svg(drawing, named);
    // The group's size is the longest run's; a pen off the advance by a dot or more starts a new <text>.
    CHECK(has(svg, R"(<g font-family="OCR-B,OCRB,OCR B,monospace" font-size="38.8098" xml:space="preserve">)"));
    CHECK(has(svg, R"(<text x="40 68" y="50">12</text><text x="110 138" y="50">34</text>)"));
    CHECK(has(svg, R"(<text font-size="25.8732" x="10 29 47" y="90">( )</text>)"));
    CHECK(!has(svg, "<use"));
    const std::string eps = write_eps(drawing, named);
    CHECK(has(eps, "/Courier findfont[48.2315 0 0 -48.2315 0 0]makefont setfont\n"
                   "40 50 moveto(1234)[28 42 28 0]xshow\n"));
    CHECK(has(eps, "/Courier findfont[32.1543 0 0 -32.1543 0 0]makefont setfont\n"
                   "10 90 moveto(\\( \\))[19 18 0]xshow\n"));
    const auto pdf = write_pdf(drawing, named);
    CHECK(has(std::string(pdf.begin(), pdf.end()),
              "/Resources<</Font<</F<</Type/Font/Subtype/Type1/BaseFont/Courier>>>>>>"));
    CHECK(write_pdf(drawing) != pdf && write_pdf(drawing, named) == pdf);
}

}  // namespace

int main() {
    runs();
    writers();
    return tavlo::test::failures();
}
