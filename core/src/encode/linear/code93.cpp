#include <array>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "../../utf8.hpp"
#include "../../assert.hpp"
#include "tavlo/encode_industrial.hpp"

namespace tavlo {
namespace {

constexpr std::string_view symbology = "Code 93";
constexpr std::size_t max_characters = 256;

// The symbol characters by value (ANSI/AIM BC5, the character set table): 0-42 print as `alphabet`, 43-46
// are the shift characters ($) (%) (/) (+) of Full ASCII, 47 is the start/stop character.
constexpr std::string_view alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
constexpr std::uint8_t shift_dollar = 43;
constexpr std::uint8_t shift_percent = 44;
constexpr std::uint8_t shift_slash = 45;
constexpr std::uint8_t shift_plus = 46;
constexpr std::uint8_t start_stop = 47;
constexpr std::size_t modulus = 47;

// The six element widths of each character by value, bar first, in modules: three bars and three spaces
// over 9 modules.
constexpr std::array<std::uint32_t, 48> element_widths = {
    131112, 111213, 111312, 111411, 121113, 121212, 121311, 111114, 131211, 141111,  // 0-9
    211113, 211212, 211311, 221112, 221211, 231111, 112113, 112212, 112311, 122112,  // A-J
    132111, 111123, 111222, 111321, 121122, 131121, 212112, 212211, 211122, 211221,  // K-T
    221121, 222111, 112122, 112221, 122121, 123111,                                  // U-Z
    121131, 311112, 311211, 321111, 112131, 113121, 211131,                          // - . space $ / + %
    121221, 312111, 311121, 122211,                                                  // ($) (%) (/) (+)
    111141};                                                                         // start/stop

constexpr std::size_t character_modules = 9;

// Each character as 9 module bits, the first module the most significant.
constexpr std::array<std::uint16_t, 48> patterns = [] {
    std::array<std::uint16_t, 48> table{};
    for (std::size_t value = 0; value < table.size(); ++value) {
        std::uint32_t widths = element_widths[value];
        std::uint16_t bits = 0;
        for (std::uint32_t divisor = 100000, element = 0; divisor > 0; divisor /= 10, ++element) {
            std::uint32_t width = widths / divisor % 10;
            for (std::uint32_t m = 0; m < width; ++m) bits = static_cast<std::uint16_t>(bits << 1 | (element % 2 == 0));
        }
        table[value] = bits;
    }
    return table;
}();

constexpr std::uint8_t value_of(char c) { return static_cast<std::uint8_t>(alphabet.find(c)); }

// One ASCII character as one or two symbol characters (the Full ASCII table of ANSI/AIM BC5): the 43
// characters of the set stand for themselves, the others are a shift character and a letter.
struct FullAscii {
    std::uint8_t count;
    std::array<std::uint8_t, 2> values;
};

constexpr FullAscii shifted(std::uint8_t shift, char letter) { return {2, {shift, value_of(letter)}}; }

constexpr FullAscii full_ascii_of(unsigned char c) {
    if (alphabet.find(static_cast<char>(c)) != std::string_view::npos) return {1, {value_of(static_cast<char>(c)), 0}};
    if (c == 0) return shifted(shift_percent, 'U');
    if (c <= 26) return shifted(shift_dollar, static_cast<char>('A' + c - 1));
    if (c <= 31) return shifted(shift_percent, static_cast<char>('A' + c - 27));
    if (c <= 58) return shifted(shift_slash, static_cast<char>('A' + c - '!'));  // ! to , and : (/A to /L, /Z)
    if (c <= 63) return shifted(shift_percent, static_cast<char>('F' + c - ';'));
    if (c == '@') return shifted(shift_percent, 'V');
    if (c <= 95) return shifted(shift_percent, static_cast<char>('K' + c - '['));
    if (c == '`') return shifted(shift_percent, 'W');
    if (c <= 122) return shifted(shift_plus, static_cast<char>('A' + c - 'a'));
    return shifted(shift_percent, static_cast<char>('P' + c - '{'));  // { | } ~ DEL
}

constexpr std::array<FullAscii, 128> full_ascii = [] {
    std::array<FullAscii, 128> table{};
    for (unsigned c = 0; c < table.size(); ++c) table[c] = full_ascii_of(static_cast<unsigned char>(c));
    return table;
}();

// The check character over `values`: weights 1, 2, ... from the last value, restarting after `max_weight`.
// C weighs the data up to 20, K the data and C up to 15.
std::uint8_t check_character(std::span<const std::uint8_t> values, std::size_t max_weight) {
    std::size_t sum = 0;
    std::size_t weight = 1;
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
        sum += *it * weight;
        weight = weight == max_weight ? 1 : weight + 1;
    }
    return static_cast<std::uint8_t>(sum % modulus);
}

constexpr std::size_t c_max_weight = 20;
constexpr std::size_t k_max_weight = 15;

// Start, the values, C, K, stop and the termination bar.
ModuleSequence code93_modules(std::vector<std::uint8_t> values) {
    values.push_back(check_character(values, c_max_weight));
    values.push_back(check_character(values, k_max_weight));
    ModuleSequence out;
    out.reserve((values.size() + 2) * character_modules + 1);
    auto append_character = [&out](std::uint8_t value) {
        for (int bit = character_modules - 1; bit >= 0; --bit) out.push_back((patterns[value] >> bit) & 1u);
    };
    append_character(start_stop);
    for (std::uint8_t value : values) append_character(value);
    append_character(start_stop);
    out.push_back(1);
    TAVLO_ASSERT(out.size() == (values.size() + 2) * character_modules + 1);
    return out;
}

}  // namespace

Result<LinearGeometry> encode_code93(std::string_view data) {
    auto bad = utf8::first_refused(data, [](unsigned char c) { return c < 0x80; });
    if (!bad.empty()) return std::unexpected(TavloError::invalid_character(symbology, bad));
    if (data.empty() || data.size() > max_characters)
        return std::unexpected(TavloError::encoding("Barcode data length is invalid"));
    std::vector<std::uint8_t> values;
    values.reserve(2 * data.size() + 2);
    for (char c : data) {
        const FullAscii& symbol = full_ascii[static_cast<unsigned char>(c)];
        values.insert(values.end(), symbol.values.begin(), symbol.values.begin() + symbol.count);
    }
    return bars_from_modules(code93_modules(std::move(values)));
}

}  // namespace tavlo
