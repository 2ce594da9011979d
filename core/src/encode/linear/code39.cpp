#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "../../upper_case.hpp"
#include "../../utf8.hpp"
#include "tavlo/encode.hpp"

namespace tavlo {
namespace {

constexpr std::string_view symbology = "Code 39";
constexpr std::size_t max_characters = 256;

// The symbol characters in the order of wide_elements; the last one, '*', is the start/stop character.
constexpr std::string_view alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*";
constexpr std::size_t start_stop = 43;

// The wide elements of each character (ISO/IEC 16388): nine elements, bar first, bars and spaces
// alternating, the most significant bit the first element; three of the nine are wide.
constexpr std::array<std::uint16_t, 44> wide_elements = {
    0b000110100, 0b100100001, 0b001100001, 0b101100000, 0b000110001, 0b100110000, 0b001110000, 0b000100101, 0b100100100,
    0b001100100, 0b100001001, 0b001001001, 0b101001000, 0b000011001, 0b100011000, 0b001011000, 0b000001101, 0b100001100,
    0b001001100, 0b000011100, 0b100000011, 0b001000011, 0b101000010, 0b000010011, 0b100010010, 0b001010010, 0b000000111,
    0b100000110, 0b001000110, 0b000010110, 0b110000001, 0b011000001, 0b111000000, 0b010010001, 0b110010000, 0b011010000,
    0b010000101, 0b110000100, 0b011000100, 0b010101000, 0b010100010, 0b010001010, 0b000101010, 0b010010100};

// At a wide-to-narrow ratio of 2:1 every character is 12 modules, the most significant bit first.
constexpr std::size_t character_modules = 12;

constexpr std::array<std::uint16_t, 44> patterns = [] {
    std::array<std::uint16_t, 44> table{};
    for (std::size_t c = 0; c < table.size(); ++c) {
        std::uint16_t bits = 0;
        for (int element = 8; element >= 0; --element) {
            bool dark = element % 2 == 0;
            int width = (wide_elements[c] >> element) & 1u ? 2 : 1;
            for (int m = 0; m < width; ++m) bits = static_cast<std::uint16_t>(bits << 1 | dark);
        }
        table[c] = bits;
    }
    return table;
}();

// The index of each ASCII data character in alphabet, -1 for the others ('*' included).
constexpr std::array<std::int8_t, 128> data_index = [] {
    std::array<std::int8_t, 128> index{};
    index.fill(-1);
    for (std::size_t c = 0; c < start_stop; ++c) index[alphabet[c]] = static_cast<std::int8_t>(c);
    return index;
}();

bool is_data_character(char32_t c) { return c < 0x80 && data_index[c] >= 0; }

// The folded text, of which only the first max_characters + 1 characters are kept: a longer one fails on
// its length whatever follows.
struct FoldedText {
    std::array<char, max_characters + 1> characters;
    std::size_t size = 0;  // the whole folded length

    void append(char32_t c) {
        if (size < characters.size()) characters[size] = static_cast<char>(c);
        ++size;
    }
    std::string_view text() const { return {characters.data(), std::min(size, characters.size())}; }
};

// Full upper-case folding stops at the first folded character outside the set, which the error names:
// "ǰ" folds to "J" followed by U+030C, and U+030C is reported.
Result<FoldedText> fold(std::string_view data) {
    FoldedText folded;
    for (std::size_t pos = 0; pos < data.size();) {
        auto bytes = utf8::char_at(data, pos);
        auto upper = unicode::to_upper(utf8::decode(bytes));
        for (std::size_t i = 0; i < upper.size; ++i) {
            char32_t c = upper.code_points[i];
            if (!is_data_character(c))
                return std::unexpected(TavloError::invalid_character(symbology, utf8::encode(c)));
            folded.append(c);
        }
        pos += bytes.size();
    }
    return folded;
}

// The Code 39 table encoder without a check character: 1 to 256 characters of the 43-character set.
// Start and stop are '*'; a narrow light gap follows every character but the stop.
Result<ModuleSequence> code39_modules(std::string_view text) {
    if (text.empty() || text.size() > max_characters)
        return std::unexpected(TavloError::encoding("Barcode data length is invalid"));
    ModuleSequence out;
    out.reserve((text.size() + 2) * (character_modules + 1) - 1);
    auto append_character = [&out](std::size_t index) {
        for (int bit = character_modules - 1; bit >= 0; --bit) out.push_back((patterns[index] >> bit) & 1u);
    };
    append_character(start_stop);
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (!is_data_character(byte)) return std::unexpected(TavloError::encoding("Barcode data is invalid"));
        out.push_back(0);
        append_character(data_index[byte]);
    }
    out.push_back(0);
    append_character(start_stop);
    return out;
}

}  // namespace

Result<LinearGeometry> encode_code39(std::string_view data) {
    auto folded = fold(data);
    if (!folded) return std::unexpected(std::move(folded.error()));
    auto modules = code39_modules(folded->text());
    if (!modules) return std::unexpected(std::move(modules.error()));
    return bars_from_modules(*modules);
}

}  // namespace tavlo
