// DataBar Expanded and Expanded Stacked (ISO/IEC 24724, 7): the element string as 12-bit data characters,
// a modulo-211 check character, and a finder pattern between every two characters.
#include <array>
#include <cstdint>
#include <string>

#include "../../assert.hpp"
#include "databar_expanded_data.hpp"
#include "databar_expanded_rows.hpp"
#include "databar_widths.hpp"
#include "tavlo/encode_databar.hpp"
#include "tavlo/gs1.hpp"
#include "tavlo/gs1_check.hpp"

namespace tavlo {
namespace {

// The character groups (Table 11): first value, the odd and even halves' modules and widest element, and how
// many even patterns there are.
struct Group {
    std::uint32_t first_value;
    int odd_modules, even_modules;
    int widest_odd, widest_even;
    std::uint32_t even_combinations;
};
constexpr std::array<std::uint32_t, 5> group_first = {0, 348, 1388, 2948, 3988};
constexpr std::array<Group, 5> groups = {{
    {0, 12, 5, 7, 2, 4}, {348, 10, 7, 5, 4, 20}, {1388, 8, 9, 4, 5, 52}, {2948, 6, 11, 3, 6, 104},
    {3988, 4, 13, 1, 8, 204},
}};

using Character = std::array<int, 8>;

Character character_widths(std::uint32_t value) {
    const Group& g = groups[databar::group_of(value, group_first)];
    const std::uint32_t within = value - g.first_value;
    std::array<int, 4> odd{}, even{};
    databar::element_widths(within / g.even_combinations, g.odd_modules, 4, g.widest_odd, false, odd);
    databar::element_widths(within % g.even_combinations, g.even_modules, 4, g.widest_even, true, even);
    return databar::interleave(odd, even);
}

// Weights of the elements for the check (Table 14): 23 rows of eight, row chosen by a character's finder
// and its side of it.
constexpr std::array<int, 184> check_weights = {
    1,   3,   9,   27,  81,  32,  96,  77,  20,  60,  180, 118, 143, 7,   21,  63,  189, 145, 13,  39,  117,
    140, 209, 205, 193, 157, 49,  147, 19,  57,  171, 91,  62,  186, 136, 197, 169, 85,  44,  132, 185, 133,
    188, 142, 4,   12,  36,  108, 113, 128, 173, 97,  80,  29,  87,  50,  150, 28,  84,  41,  123, 158, 52,
    156, 46,  138, 203, 187, 139, 206, 196, 166, 76,  17,  51,  153, 37,  111, 122, 155, 43,  129, 176, 106,
    107, 110, 119, 146, 16,  48,  144, 10,  30,  90,  59,  177, 109, 116, 137, 200, 178, 112, 125, 164, 70,
    210, 208, 202, 184, 130, 179, 115, 134, 191, 151, 31,  93,  68,  204, 190, 148, 22,  66,  198, 172, 94,
    71,  2,   6,   18,  54,  162, 64,  192, 154, 40,  120, 149, 25,  75,  14,  42,  126, 167, 79,  26,  78,
    23,  69,  207, 199, 175, 103, 98,  83,  38,  114, 131, 182, 124, 161, 61,  183, 127, 170, 88,  53,  159,
    55,  165, 73,  8,   24,  72,  5,   15,  45,  135, 194, 160, 58,  174, 100, 89,
};
constexpr int check_modulus = 211;

// The finder patterns A1, A1 reversed (B1), A2, B2, … F2 (Table 15) and, for each count of finders from 2 to
// 11, the sequence of finders (Table 16), numbered from 1 in that order.
constexpr std::array<std::array<int, 5>, 12> finders = {{
    {1, 8, 4, 1, 1}, {1, 1, 4, 8, 1}, {3, 6, 4, 1, 1}, {1, 1, 4, 6, 3}, {3, 4, 6, 1, 1}, {1, 1, 6, 4, 3},
    {3, 2, 8, 1, 1}, {1, 1, 8, 2, 3}, {2, 6, 5, 1, 1}, {1, 1, 5, 6, 2}, {2, 2, 9, 1, 1}, {1, 1, 9, 2, 2},
}};
constexpr std::array<std::array<int, 11>, 10> finder_sequences = {{
    {1, 2},
    {1, 4, 3},
    {1, 6, 3, 8},
    {1, 10, 3, 8, 5},
    {1, 10, 3, 8, 7, 12},
    {1, 10, 3, 8, 9, 12, 11},
    {1, 2, 3, 4, 5, 6, 7, 8},
    {1, 2, 3, 4, 5, 6, 7, 10, 9},
    {1, 2, 3, 4, 5, 6, 7, 10, 11, 12},
    {1, 2, 3, 4, 5, 8, 7, 10, 9, 12, 11},
}};

// For each sequence, the row of weights of each data character, in order (from Table 14's layout).
constexpr std::array<std::array<int, 21>, 10> weight_rows = {{
    {0, 1, 2},
    {0, 5, 6, 3, 4},
    {0, 9, 10, 3, 4, 13, 14},
    {0, 17, 18, 3, 4, 13, 14, 7, 8},
    {0, 17, 18, 3, 4, 13, 14, 11, 12, 21, 22},
    {0, 17, 18, 3, 4, 13, 14, 15, 16, 21, 22, 19, 20},
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14},
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 17, 18, 15, 16},
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 17, 18, 19, 20, 21, 22},
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 13, 14, 11, 12, 17, 18, 15, 16, 21, 22, 19, 20},
}};

// The check character's value also counts the symbol characters beyond four (7.2.6).
std::uint32_t check_value(const std::vector<Character>& data) {
    const std::size_t sequence = (data.size() - 2) / 2;
    int sum = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const int row = weight_rows[sequence][i];
        for (int j = 0; j < 8; ++j) sum += data[i][j] * check_weights[8 * row + j];
    }
    return std::uint32_t(check_modulus * (int(data.size()) + 1 - 4) + sum % check_modulus);
}

// Segment pairs: the check character first, then the data characters, two to a finder; the right character
// of a pair reads backward (7.2.7).
std::vector<databar::SegmentPair> segment_pairs(const std::vector<Character>& data) {
    std::vector<Character> characters{character_widths(check_value(data))};
    characters.insert(characters.end(), data.begin(), data.end());
    const std::size_t finder_count = (characters.size() + 1) / 2;
    const auto& sequence = finder_sequences[finder_count - 2];
    std::vector<databar::SegmentPair> pairs;
    for (std::size_t p = 0; p < finder_count; ++p) {
        databar::SegmentPair pair(characters[2 * p].begin(), characters[2 * p].end());
        const auto& finder = finders[sequence[p] - 1];
        pair.insert(pair.end(), finder.begin(), finder.end());
        if (2 * p + 1 < characters.size()) {
            const Character& right = characters[2 * p + 1];
            pair.insert(pair.end(), right.rbegin(), right.rend());
        }
        pairs.push_back(std::move(pair));
    }
    return pairs;
}

TavloError expanded_refusal(const TavloError& error) {
    // The GS1 parser's messages name GS1-128; here the symbol is DataBar Expanded.
    constexpr std::string_view gs1_prefix = "Invalid GS1-128 value: ";
    std::string message = error.display();
    if (message.starts_with(gs1_prefix)) message.erase(0, gs1_prefix.size());
    return TavloError::encoding("GS1 DataBar Expanded: " + message);
}

}  // namespace

Result<DataBarSymbol> encode_databar_expanded(std::string_view element_string, const DataBarExpandedOptions& options) {
    const std::uint32_t per_row = options.segments_per_row;
    if (per_row != 0 && (per_row < databar_min_segments_per_row || per_row > databar_max_segments_per_row ||
                         per_row % 2 != 0)) {
        return std::unexpected(TavloError::encoding(
            "GS1 DataBar Expanded Stacked: segments_per_row must be an even number from 2 to 20, got " +
            std::to_string(per_row)));
    }
    auto fields = gs1::parse(element_string);
    if (!fields) return std::unexpected(expanded_refusal(fields.error()));
    if (auto checked = gs1::validate_check_digits(*fields); !checked) {
        return std::unexpected(expanded_refusal(checked.error()));
    }
    auto values = databar::expanded_data_characters(gs1::to_datamatrix_bytes(*fields), per_row);
    if (!values) return std::unexpected(std::move(values.error()));

    std::vector<Character> data;
    for (std::uint16_t value : *values) data.push_back(character_widths(value));
    DataBarSymbol symbol;
    symbol.rows = databar::expanded_rows(segment_pairs(data), per_row);
    for (const AiField& field : *fields) symbol.human_readable += "(" + field.ai + ")" + field.data;
    return symbol;
}

}  // namespace tavlo
