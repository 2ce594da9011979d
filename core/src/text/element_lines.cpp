#include "element_lines.hpp"
#include "whole_dots.hpp"

#include <algorithm>
#include <cmath>

namespace tavlo::text {

namespace {

// Digits 2.5 mm high read comfortably at arm's length, the size GS1 logistic labels print their
// human-readable lines at; lines are set 40 % of that apart.
constexpr double digit_height_mm = 2.5;
constexpr double line_gap = 0.4;

// Element data never holds "(", so " (" starts the next element.
std::vector<std::string> split_elements(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at = text.find(" (", 0); at != std::string_view::npos; at = text.find(" (", start)) {
        lines.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
    lines.emplace_back(text.substr(start));
    return lines;
}

}  // namespace

ElementLines element_lines(std::string_view text, std::uint32_t x_dots, std::uint32_t dpi) {
    ElementLines out;
    if (text.empty()) return out;
    out.lines = split_elements(text);
    out.size = std::max(1.0, std::round(digit_height_mm / 25.4 * dpi));
    out.pitch = whole_dots(out.size + std::round(line_gap * out.size));
    double widest = 0, below = 0;
    for (const std::string& line : out.lines) {
        widest = std::max(widest, text_width(line, out.size));
        below = std::max(below, text_extent(line, out.size).below);
    }
    out.width = whole_dots(std::ceil(widest)) + 2ull * x_dots;
    out.band = x_dots + whole_dots(out.size) + out.pitch * (out.lines.size() - 1) + whole_dots(std::ceil(below)) + 1;
    return out;
}

std::vector<TextItem> place_element_lines(const ElementLines& lines, double centre, std::uint32_t band_top,
                                          std::uint32_t x_dots) {
    std::vector<TextItem> items;
    double baseline = double(band_top) + x_dots + lines.size;
    for (const std::string& line : lines.lines) {
        items.push_back(TextItem{line, centre, baseline, lines.size, Align::Centre});
        baseline += lines.pitch;
    }
    return items;
}

}  // namespace tavlo::text
