// Fills one outline with the text rasteriser and prints the dark spans, for the tests of its fill rule.
// Arguments: width, height, then the outline as SVG-like tokens: "M x y", "L x y", "C x1 y1 x2 y2 x y", "Z";
// or width, height, "text", x, baseline, size, text: the text filled from its outline, then "--", then the
// same text from the glyph shapes;
// or width, height, "over", bars, then x, baseline, size, text for each of several texts: the texts' rows
// painted as a label's PNG writer takes them, over rows with the dark columns `bars` ("begin-end,begin-end",
// "-" for none), each painted twice: in light bits, then, after a rewind, in dark ones.
// Output: one line per image row from the top, "begin-end begin-end ..." (empty for a light row).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "../../core/src/write/bit_row.hpp"
#include "../../core/src/text/text_rows.hpp"
#include "tavlo/text.hpp"

namespace {

template <class Span>
void print_row(std::span<const Span> spans) {
    std::string line;
    for (const auto& span : spans) line += std::to_string(span.begin) + "-" + std::to_string(span.end) + " ";
    std::puts(line.c_str());
}

void print_bits(const std::vector<std::uint8_t>& bits, std::uint32_t width) {
    std::string line;
    tavlo::png::for_each_set_span(bits.data(), width, [&](const tavlo::png::Span& span) {
        line += std::to_string(span.begin) + "-" + std::to_string(span.end) + " ";
    });
    std::puts(line.c_str());
}

void print(const tavlo::text::Coverage& coverage, std::uint32_t height) {
    for (std::uint32_t row = 0; row < height; ++row) {
        const bool drawn = row >= coverage.first_row && row - coverage.first_row < coverage.row_count();
        print_row(drawn ? coverage.row(row - coverage.first_row) : std::span<const tavlo::text::RowSpan>());
    }
}

int print_over(std::uint32_t width, std::uint32_t height, int argc, char** argv) {
    std::vector<tavlo::png::Span> bars;
    for (char* at = argv[4]; *at && *at != '-';) {
        const auto begin = std::uint32_t(std::strtoul(at, &at, 10));
        const auto end = std::uint32_t(std::strtoul(at + 1, &at, 10));
        bars.push_back({begin, end});
        if (*at == ',') ++at;
    }
    std::vector<tavlo::text::TextItem> items;
    for (int i = 5; i + 3 < argc; i += 4) {
        items.push_back({argv[i + 3], std::strtod(argv[i], nullptr), std::strtod(argv[i + 1], nullptr),
                         std::strtod(argv[i + 2], nullptr), tavlo::text::Align::Left});
    }
    tavlo::text::TextRows rows(items, width, height);
    // The room past the row holds a pattern the painting must leave as it is.
    std::vector<std::uint8_t> bits(tavlo::text::TextRows::room(width), 0xa5);
    const auto drawn = [&](std::uint32_t row) { return row >= rows.first_row() && row < rows.end_row(); };
    // Painted over the light bits of a palette: what is set is dark.
    std::vector<std::vector<std::uint8_t>> light;
    for (std::uint32_t row = 0; row < height; ++row) {
        tavlo::png::paint_row(bars, width, true, bits.data());
        if (drawn(row)) rows.paint_next(bits.data(), true);
        light.push_back(bits);
    }
    // Again over greyscale's, where dark is 0: the same dots, or the driver says which row differs.
    rows.rewind();
    for (std::uint32_t row = 0; row < height; ++row) {
        tavlo::png::paint_row(bars, width, false, bits.data());
        if (drawn(row)) rows.paint_next(bits.data(), false);
        for (std::size_t i = 0; i + 1 < tavlo::png::bit_row_bytes(width); ++i) bits[i] = std::uint8_t(~bits[i]);
        // The bits that pad the last byte stay 0 in both.
        const unsigned pad = (8 - width % 8) % 8;
        const std::size_t last = tavlo::png::bit_row_bytes(width) - 1;
        bits[last] = std::uint8_t(~bits[last] & (0xff << pad));
        if (bits != light[row]) std::printf("differs in row %u ", row);
        if (std::any_of(bits.begin() + std::ptrdiff_t(tavlo::png::bit_row_bytes(width)), bits.end(),
                        [](std::uint8_t byte) { return byte != 0xa5; }))
            std::printf("differs past the row %u ", row);
        print_bits(light[row], width);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    using tavlo::text::PathCommand;
    const auto width = std::uint32_t(std::strtoul(argv[1], nullptr, 10));
    const auto height = std::uint32_t(std::strtoul(argv[2], nullptr, 10));
    if (argc > 4 && std::string(argv[3]) == "over") return print_over(width, height, argc, argv);
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
