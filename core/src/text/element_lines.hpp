// The element string printed under a GS1 Data Matrix: one element per line, "(01) 09501101530003", centred
// under the symbol. Matrix symbols are small for their data, so the lines keep a legible size of their own
// and the label widens to hold them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tavlo/text.hpp"

namespace tavlo::text {

struct ElementLines {
    std::vector<std::string> lines;
    double size = 0;          // digit height in dots
    std::uint64_t pitch = 0;  // dots from one baseline to the next
    std::uint64_t band = 0;   // dots below the symbol's quiet zone for all lines
    std::uint64_t width = 0;  // dots the widest line needs, a module of margin on each side included
};

// `text` is the printed form, "(01) 09501101530003 (17) 250101"; empty gives no lines and no band.
ElementLines element_lines(std::string_view text, std::uint32_t x_dots, std::uint32_t dpi);

// The lines centred on column `centre`, the first a module below row `band_top`.
std::vector<TextItem> place_element_lines(const ElementLines& lines, double centre, std::uint32_t band_top,
                                          std::uint32_t x_dots);

}  // namespace tavlo::text
