// Fills one outline with the text rasteriser and prints the dark spans, for the tests of its fill rule.
// Arguments: width, height, then the outline as SVG-like tokens: "M x y", "L x y", "C x1 y1 x2 y2 x y", "Z";
// or width, height, "text", x, baseline, size, text: the text filled from its outline, then "--", then the
// same text from the glyph shapes.
// Output: one line per image row from the top, "begin-end begin-end ..." (empty for a light row).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tavlo/text.hpp"

namespace {

void print(const tavlo::text::Coverage& coverage, std::uint32_t height) {
    for (std::uint32_t row = 0; row < height; ++row) {
        std::string line;
        if (row >= coverage.first_row && row - coverage.first_row < coverage.row_count()) {
            for (const auto& span : coverage.row(row - coverage.first_row))
                line += std::to_string(span.begin) + "-" + std::to_string(span.end) + " ";
        }
        std::puts(line.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    using tavlo::text::PathCommand;
    const auto width = std::uint32_t(std::strtoul(argv[1], nullptr, 10));
    const auto height = std::uint32_t(std::strtoul(argv[2], nullptr, 10));
    if (argc == 8 && std::string(argv[3]) == "text") {
        const tavlo::text::TextItem item{argv[7], std::strtod(argv[4], nullptr), std::strtod(argv[5], nullptr),
                                         std::strtod(argv[6], nullptr), tavlo::text::Align::Left};
        print(tavlo::text::rasterise(tavlo::text::text_outline(item), width, height), height);
        std::puts("--");
        print(tavlo::text::rasterise_text(std::span(&item, 1), width, height), height);
        return 0;
    }
    tavlo::text::Outline outline;
    for (int i = 3; i < argc;) {
        const std::string op = argv[i++];
        PathCommand command{op == "M"   ? PathCommand::Op::Move
                            : op == "L" ? PathCommand::Op::Line
                            : op == "C" ? PathCommand::Op::Cubic
                                        : PathCommand::Op::Close};
        const int points = op == "C" ? 3 : (op == "Z" ? 0 : 1);
        for (int p = 0; p < points; ++p, i += 2)
            command.points[p] = {std::strtod(argv[i], nullptr), std::strtod(argv[i + 1], nullptr)};
        outline.push_back(command);
    }
    print(tavlo::text::rasterise(outline, width, height), height);
}
