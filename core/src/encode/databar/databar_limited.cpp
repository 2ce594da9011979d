// DataBar Limited (ISO/IEC 24724, 6): a GTIN whose indicator digit is 0 or 1 as two data characters of 26
// modules either side of a check character of 18.
#include <array>
#include <cstdint>
#include <string_view>

#include "../../assert.hpp"
#include "databar_gtin.hpp"
#include "databar_widths.hpp"
#include "tavlo/encode_databar.hpp"

namespace tavlo {
namespace {

// The GTIN's first 13 digits (with indicator 0 or 1, below 2 * 10^12) split into a left and a right
// character (6.2.2).
constexpr std::uint64_t character_divisor = 2013571;

// The character groups (Table 6): first value, the modules and widest element of the odd and even halves,
// and how many even patterns there are (the even half is read by remainder).
struct Group {
    std::uint32_t first_value;
    int odd_modules, even_modules;
    int widest_odd, widest_even;
    std::uint32_t even_combinations;
};
constexpr std::array<std::uint32_t, 7> group_first = {0, 183064, 820064, 1000776, 1491021, 1979845, 1996939};
constexpr std::array<Group, 7> groups = {{
    {0, 17, 9, 6, 3, 28},
    {183064, 13, 13, 5, 4, 728},
    {820064, 9, 17, 3, 6, 6454},
    {1000776, 15, 11, 5, 4, 203},
    {1491021, 11, 15, 4, 5, 2408},
    {1979845, 19, 7, 8, 1, 1},
    {1996939, 7, 19, 1, 8, 16632},
}};

constexpr int character_elements = 14;

// Weights of the 28 data elements for the modulo-89 check (Table 7).
constexpr std::array<int, 2 * character_elements> check_weights = {
    1,  3,  9,  27, 81, 65, 17, 51, 64, 14, 42, 37, 22, 66,
    20, 60, 2,  6,  18, 54, 73, 41, 34, 13, 39, 28, 84, 74,
};
constexpr int check_modulus = 89;

// The 89 check characters, element widths left to right, 18 modules each (Table 8).
constexpr std::array<std::string_view, check_modulus> check_characters = {
    "11111111113311", "11111111123211", "11111111133111", "11111112113211", "11111112123111", "11111113113111",
    "11111211113211", "11111211123111", "11111212113111", "11111311113111", "11121111113211", "11121111123111",
    "11121112113111", "11121211113111", "11131111113111", "12111111113211", "12111111123111", "12111112113111",
    "12111211113111", "12121111113111", "13111111113111", "11111111212311", "11111111222211", "11111111232111",
    "11111112212211", "11111112222111", "11111113212111", "11111211212211", "11111211222111", "11111212212111",
    "11111311212111", "11121111212211", "11121111222111", "11121112212111", "11121211212111", "11131111212111",
    "12111111212211", "12111111222111", "12111112212111", "12111211212111", "12121111212111", "13111111212111",
    "11111111311311", "11111111321211", "11111112311211", "11121111311211", "12111111311211", "11111121112311",
    "11111121122211", "11111121132111", "11111122112211", "11121121112211", "11121121122111", "11121122112111",
    "11121221112111", "11131121112111", "12111121112211", "12111121122111", "12121121112111", "11112111112311",
    "11112111122211", "11112111132111", "11112112112211", "11112112122111", "11112211112211", "12112111112211",
    "12112111122111", "12112112112111", "12112211112111", "12122111112111", "13112111112111", "11211111112311",
    "11211111122211", "11211111132111", "11211112112211", "11211112122111", "11211113112111", "11211211112211",
    "11211211122111", "11221111112211", "21111111122211", "21111111132111", "21111112112211", "21111112122111",
    "21111113112111", "21111211122111", "21111212112111", "21121111122111", "21111111221211",
};

using Character = std::array<int, character_elements>;

Character character_widths(std::uint32_t value) {
    const Group& g = groups[databar::group_of(value, group_first)];
    const std::uint32_t within = value - g.first_value;
    std::array<int, 7> odd{}, even{};
    databar::element_widths(within / g.even_combinations, g.odd_modules, 7, g.widest_odd, true, odd);
    databar::element_widths(within % g.even_combinations, g.even_modules, 7, g.widest_even, false, even);
    return databar::interleave(odd, even);
}

// Guards of one light and one dark module at each end; the right guard is followed by five light modules
// that belong to the symbol (ISO/IEC 24724:2011, 6.3), 79 modules in all.
constexpr int trailing_light_modules = 5;
constexpr std::size_t symbol_modules = 79;
constexpr std::uint32_t limited_height = 10;  // 6.3.1

}  // namespace

Result<DataBarSymbol> encode_databar_limited(std::string_view gtin) {
    constexpr std::string_view symbology = "GS1 DataBar Limited";
    auto digits = databar::gtin14(gtin, symbology);
    if (!digits) return std::unexpected(std::move(digits.error()));
    // Limited has room for values below 2 * 10^12 only: the indicator digit is 0 or 1 (6.1).
    if ((*digits)[0] > '1') {
        return std::unexpected(TavloError::encoding(std::string(symbology) +
                                                    ": the GTIN's indicator digit must be 0 or 1, got " +
                                                    (*digits)[0]));
    }
    std::uint64_t value = 0;
    for (char digit : std::string_view(*digits).substr(0, 13)) value = value * 10 + std::uint64_t(digit - '0');
    const Character left = character_widths(std::uint32_t(value / character_divisor));
    const Character right = character_widths(std::uint32_t(value % character_divisor));
    int check = 0;
    for (int i = 0; i < character_elements; ++i) {
        check += check_weights[i] * left[i] + check_weights[i + character_elements] * right[i];
    }
    const std::string_view check_character = check_characters[check % check_modulus];

    std::array<int, 2 + 3 * character_elements + 2> widths{};
    widths[0] = widths[1] = widths[widths.size() - 2] = widths[widths.size() - 1] = 1;
    for (int i = 0; i < character_elements; ++i) {
        widths[2 + i] = left[i];
        widths[2 + character_elements + i] = check_character[i] - '0';
        widths[2 + 2 * character_elements + i] = right[i];
    }
    ModuleSequence row;
    databar::append_widths(row, widths, false);
    row.insert(row.end(), trailing_light_modules, 0);
    TAVLO_ASSERT(row.size() == symbol_modules);

    DataBarSymbol symbol;
    symbol.rows.push_back({std::move(row), limited_height});
    symbol.human_readable = databar::gtin_human_readable(*digits);
    return symbol;
}

}  // namespace tavlo
