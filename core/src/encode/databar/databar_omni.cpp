// DataBar Omnidirectional, Truncated, Stacked and Stacked Omnidirectional (ISO/IEC 24724, 5.2 and 5.3): one
// GTIN as four data characters and two finder patterns whose values carry the check character.
#include <array>
#include <cstdint>

#include "../../assert.hpp"
#include "databar_gtin.hpp"
#include "databar_widths.hpp"
#include "tavlo/encode_databar.hpp"

namespace tavlo {
namespace {

using databar::append_widths;
using databar::element_widths;

// The GTIN's first 13 digits, indicator first, are split into a left and a right pair value, and each pair
// into an outside and an inside character (5.2.2).
constexpr std::uint64_t pair_divisor = 4537077;
constexpr std::uint32_t inside_divisor = 1597;

// The character groups (Table 3): the first value of each group, the modules of its odd and even elements,
// the widest element of each, and how many patterns the half read by remainder has.
struct Group {
    std::uint32_t first_value;
    int odd_modules, even_modules;
    int widest_odd, widest_even;
    std::uint32_t combinations;
};
constexpr std::array<std::uint32_t, 5> outside_first = {0, 161, 961, 2015, 2715};
constexpr std::array<std::uint32_t, 4> inside_first = {0, 336, 1036, 1516};
constexpr std::array<Group, 5> outside_groups = {{
    {0, 12, 4, 8, 1, 1}, {161, 10, 6, 6, 3, 10}, {961, 8, 8, 4, 5, 34}, {2015, 6, 10, 3, 6, 70},
    {2715, 4, 12, 1, 8, 126},
}};
constexpr std::array<Group, 4> inside_groups = {{
    {0, 5, 10, 2, 7, 4}, {336, 7, 8, 4, 5, 20}, {1036, 9, 6, 6, 3, 48}, {1516, 11, 4, 8, 1, 81},
}};

// The nine finder patterns, elements left to right (Table 4): the left finder reads forward, the right one
// backward.
constexpr std::array<std::array<int, 5>, 9> finders = {{
    {3, 8, 2, 1, 1}, {3, 5, 5, 1, 1}, {3, 3, 7, 1, 1}, {3, 1, 9, 1, 1}, {2, 7, 4, 1, 1},
    {2, 5, 6, 1, 1}, {2, 3, 8, 1, 1}, {1, 5, 7, 1, 1}, {1, 3, 9, 1, 1},
}};

// Weights of the 32 data elements for the modulo-79 check (Table 5), eight per character.
constexpr std::array<int, 32> check_weights = {
    1,  3,  9,  27, 2,  6,  18, 54, 4,  12, 36, 29, 8,  24, 72, 58,
    16, 48, 65, 37, 32, 17, 51, 74, 64, 34, 23, 69, 49, 68, 46, 59,
};
constexpr int check_modulus = 79;

constexpr int elements_per_character = 8;
constexpr int symbol_elements = 46;  // guards 2 + 2, four characters of 8, two finders of 5
constexpr int stacked_row_modules = 50;

using Character = std::array<int, elements_per_character>;

// Outside characters read the odd half's value by quotient and need no narrow odd element; inside characters
// the reverse (5.2.3).
Character character_widths(std::uint32_t value, bool outside) {
    const Group& g = outside ? outside_groups[databar::group_of(value, outside_first)]
                             : inside_groups[databar::group_of(value, inside_first)];
    const std::uint32_t within = value - g.first_value;
    const std::uint32_t odd_value = outside ? within / g.combinations : within % g.combinations;
    const std::uint32_t even_value = outside ? within % g.combinations : within / g.combinations;
    std::array<int, 4> odd{}, even{};
    element_widths(odd_value, g.odd_modules, 4, g.widest_odd, outside, odd);
    element_widths(even_value, g.even_modules, 4, g.widest_even, !outside, even);
    return databar::interleave(odd, even);
}

struct Elements {
    std::array<int, symbol_elements> widths;  // first element light
    int right_finder;                         // its value, 0 to 8
};

Elements symbol_elements_of(std::string_view gtin14) {
    std::uint64_t value = 0;
    for (char digit : gtin14.substr(0, 13)) value = value * 10 + std::uint64_t(digit - '0');
    const auto left = std::uint32_t(value / pair_divisor), right = std::uint32_t(value % pair_divisor);
    const std::array<Character, 4> characters = {
        character_widths(left / inside_divisor, true), character_widths(left % inside_divisor, false),
        character_widths(right / inside_divisor, true), character_widths(right % inside_divisor, false)};

    int check = 0;
    for (int c = 0; c < 4; ++c) {
        for (int i = 0; i < elements_per_character; ++i) check += check_weights[8 * c + i] * characters[c][i];
    }
    check %= check_modulus;
    // Finder value pairs (0, 8) and (8, 0) are not used, so the check skips them (5.2.4).
    if (check >= 8) ++check;
    if (check >= 72) ++check;
    const int left_finder = check / 9, right_finder = check % 9;

    Elements e{};
    e.right_finder = right_finder;
    e.widths[0] = e.widths[1] = e.widths[44] = e.widths[45] = 1;  // guards
    for (int i = 0; i < elements_per_character; ++i) {
        e.widths[2 + i] = characters[0][i];
        e.widths[15 + i] = characters[1][7 - i];  // right of the left finder, read backward
        e.widths[23 + i] = characters[3][i];
        e.widths[36 + i] = characters[2][7 - i];
    }
    for (int i = 0; i < 5; ++i) {
        e.widths[10 + i] = finders[left_finder][i];
        e.widths[31 + i] = finders[right_finder][4 - i];
    }
    return e;
}

// A stacked symbol's halves: the top ends in a guard "1 0", the bottom starts with one, so each half is
// 50 modules (5.3.1).
ModuleSequence top_half(const Elements& e) {
    ModuleSequence row;
    append_widths(row, std::span(e.widths).first(23), false);
    row.push_back(1);
    row.push_back(0);
    return row;
}

ModuleSequence bottom_half(const Elements& e) {
    ModuleSequence row = {1, 0};
    append_widths(row, std::span(e.widths).subspan(23), true);
    return row;
}

// Stacked: between rows of 5 and 7, a module is light where both rows are dark, dark where both are light,
// and the opposite of its left neighbour where they differ; its first four modules are light (5.3.2.1).
ModuleSequence stacked_separator(const ModuleSequence& top, const ModuleSequence& bottom) {
    ModuleSequence row(stacked_row_modules, 0);
    for (int i = 1; i < symbol_elements; ++i) {
        row[i] = top[i] == bottom[i] ? std::uint8_t(!top[i]) : std::uint8_t(!row[i - 1]);
    }
    row[1] = row[2] = row[3] = 0;
    return row;
}

// Stacked Omnidirectional: each row's separator is its complement, four modules in from each end, except over
// the finder, where the light modules alternate dark and light from the left (5.3.2.2). A right finder of
// value 3 on the bottom row has instead one dark module, over the start of its three-module bar.
constexpr int separator_margin = 4;
constexpr int finder_cover = 13;
constexpr int top_finder_start = 18;     // guard 2 + outside character 16
constexpr int bottom_finder_start = 19;  // guard 2 + inside character 15 + the finder's last two elements
constexpr int shifted_finder_value = 3;
constexpr int shifted_dark_module = 10;

ModuleSequence omni_separator(const ModuleSequence& row, int finder_start, bool shifted) {
    ModuleSequence separator(stacked_row_modules, 0);
    for (int i = separator_margin; i < stacked_row_modules - separator_margin; ++i) separator[i] = !row[i];
    if (shifted) {
        for (int i = 0; i < finder_cover; ++i) separator[finder_start + i] = i == shifted_dark_module;
        return separator;
    }
    bool dark_next = true;
    for (int i = finder_start; i < finder_start + finder_cover; ++i) {
        separator[i] = !row[i] && dark_next;
        dark_next = row[i] || !dark_next;
    }
    return separator;
}

ModuleSequence alternating_separator(std::size_t width) {
    ModuleSequence row(width, 0);
    for (std::size_t i = separator_margin + 1; i + separator_margin < width; i += 2) row[i] = 1;
    return row;
}

// Heights in modules (5.3.1, 5.2.1): Omnidirectional 33, Truncated 13, Stacked rows 5 and 7, Stacked
// Omnidirectional rows 33; separators 1.
constexpr std::uint32_t omni_height = 33;
constexpr std::uint32_t truncated_height = 13;
constexpr std::uint32_t stacked_top_height = 5;
constexpr std::uint32_t stacked_bottom_height = 7;
constexpr std::uint32_t separator_height = 1;

}  // namespace

Result<DataBarSymbol> encode_databar(std::string_view gtin, DataBarVariant variant) {
    auto digits = databar::gtin14(gtin, "GS1 DataBar");
    if (!digits) return std::unexpected(std::move(digits.error()));
    const Elements e = symbol_elements_of(*digits);
    DataBarSymbol symbol;
    symbol.human_readable = databar::gtin_human_readable(*digits);
    switch (variant) {
    case DataBarVariant::Omnidirectional:
    case DataBarVariant::Truncated: {
        ModuleSequence row;
        append_widths(row, e.widths, false);
        TAVLO_ASSERT(row.size() == 96);
        symbol.rows.push_back({std::move(row), variant == DataBarVariant::Truncated ? truncated_height : omni_height});
        break;
    }
    case DataBarVariant::Stacked: {
        ModuleSequence top = top_half(e), bottom = bottom_half(e);
        ModuleSequence separator = stacked_separator(top, bottom);
        symbol.rows = {{std::move(top), stacked_top_height},
                       {std::move(separator), separator_height},
                       {std::move(bottom), stacked_bottom_height}};
        break;
    }
    case DataBarVariant::StackedOmnidirectional: {
        ModuleSequence top = top_half(e), bottom = bottom_half(e);
        ModuleSequence upper = omni_separator(top, top_finder_start, false);
        ModuleSequence lower = omni_separator(bottom, bottom_finder_start, e.right_finder == shifted_finder_value);
        symbol.rows = {{std::move(top), omni_height},
                       {std::move(upper), separator_height},
                       {alternating_separator(stacked_row_modules), separator_height},
                       {std::move(lower), separator_height},
                       {std::move(bottom), omni_height}};
        break;
    }
    }
    for ([[maybe_unused]] const DataBarRow& row : symbol.rows) TAVLO_ASSERT(row.modules.size() == symbol.rows[0].modules.size());
    return symbol;
}

}  // namespace tavlo
