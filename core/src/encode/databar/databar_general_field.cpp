#include "databar_general_field.hpp"

#include <string>

namespace tavlo::databar {
namespace {

constexpr char fnc1 = '\x1D';

// The mode a character first belongs to; FNC1 counts as numeric (7.2.5.5).
enum class Type { None, Numeric, Alphanumeric, Iso646 };

constexpr std::string_view alphanumeric_punctuation = "*,-./";    // 6 bits from 58 (Table 12)
constexpr std::string_view iso646_punctuation = "!\"%&'()*+,-./:;<=>?_ ";  // 8 bits from 232 (Table 13)

Type type_of(char c) {
    if (c == fnc1 || (c >= '0' && c <= '9')) return Type::Numeric;
    if ((c >= 'A' && c <= 'Z') || alphanumeric_punctuation.find(c) != std::string_view::npos) {
        return Type::Alphanumeric;
    }
    if ((c >= 'a' && c <= 'z') || iso646_punctuation.find(c) != std::string_view::npos) return Type::Iso646;
    return Type::None;
}

// The next `count` characters from `at` are there and each of type `a` or `b`.
bool next_are(std::string_view text, std::size_t at, std::size_t count, Type a, Type b) {
    if (at + count > text.size()) return false;
    for (std::size_t i = at; i < at + count; ++i) {
        const Type t = type_of(text[i]);
        if (t != a && t != b) return false;
    }
    return true;
}

// From `at` to the end there are 4 or 5 characters, all numeric.
bool ends_in_four_or_five_numeric(std::string_view text, std::size_t at) {
    const std::size_t left = text.size() - at;
    return left >= 4 && left <= 5 && next_are(text, at, left, Type::Numeric, Type::Numeric);
}

// None of the next 10 characters (or those up to the end) is ISO/IEC 646 only.
bool no_iso646_in_next_ten(std::string_view text, std::size_t at) {
    for (std::size_t i = at; i < text.size() && i < at + 10; ++i) {
        if (type_of(text[i]) == Type::Iso646) return false;
    }
    return true;
}

// Latches and the FNC1 of the two character modes (Tables 12 and 13).
constexpr std::uint32_t numeric_fnc1_value = 10;    // FNC1 as a numeric "digit" in a pair
constexpr std::uint32_t numeric_pair_offset = 8;     // pair value 11 * d1 + d2 + 8, 7 bits
void latch_alphanumeric_from_numeric(Bits& bits) { bits.put(0b0000, 4); }
void latch_numeric(Bits& bits) { bits.put(0b000, 3); }
void latch_other_character_mode(Bits& bits) { bits.put(0b00100, 5); }
void fnc1_in_character_mode(Bits& bits) { bits.put(0b01111, 5); }

std::uint32_t numeric_value(char c) { return c == fnc1 ? numeric_fnc1_value : std::uint32_t(c - '0'); }

}  // namespace

Result<GeneralFieldEnd> encode_general_field(std::string_view text, Bits& bits) {
    GeneralFieldEnd end;
    GeneralMode& mode = end.mode;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const Type type = type_of(c);
        if (type == Type::None) {
            return std::unexpected(TavloError::encoding(std::string("GS1 DataBar Expanded cannot encode '") + c +
                                                        "'"));
        }
        switch (mode) {
        case GeneralMode::Numeric:
            if (i + 1 < text.size()) {
                if (type != Type::Numeric || type_of(text[i + 1]) != Type::Numeric) {
                    latch_alphanumeric_from_numeric(bits);
                    mode = GeneralMode::Alphanumeric;
                } else {
                    bits.put(11 * numeric_value(c) + numeric_value(text[i + 1]) + numeric_pair_offset, 7);
                    i += 2;
                }
            } else if (type != Type::Numeric) {
                latch_alphanumeric_from_numeric(bits);
                mode = GeneralMode::Alphanumeric;
            } else {
                end.last_digit = c;
                ++i;
            }
            break;
        case GeneralMode::Alphanumeric:
            if (c == fnc1) {
                fnc1_in_character_mode(bits);
                mode = GeneralMode::Numeric;
                ++i;
            } else if (type == Type::Iso646) {
                latch_other_character_mode(bits);
                mode = GeneralMode::Iso646;
            } else if (next_are(text, i, 6, Type::Numeric, Type::Numeric) || ends_in_four_or_five_numeric(text, i)) {
                latch_numeric(bits);
                mode = GeneralMode::Numeric;
            } else if (c >= '0' && c <= '9') {
                bits.put(std::uint32_t(c - '0') + 5, 5);
                ++i;
            } else if (c >= 'A' && c <= 'Z') {
                bits.put(std::uint32_t(c - 'A') + 32, 6);
                ++i;
            } else {
                bits.put(std::uint32_t(alphanumeric_punctuation.find(c)) + 58, 6);
                ++i;
            }
            break;
        case GeneralMode::Iso646: {
            if (c == fnc1) {
                fnc1_in_character_mode(bits);
                mode = GeneralMode::Numeric;
                ++i;
                break;
            }
            const bool no_iso646_ahead = no_iso646_in_next_ten(text, i);
            if (no_iso646_ahead && next_are(text, i, 4, Type::Numeric, Type::Numeric)) {
                latch_numeric(bits);
                mode = GeneralMode::Numeric;
            } else if (no_iso646_ahead && next_are(text, i, 5, Type::Alphanumeric, Type::Numeric)) {
                latch_other_character_mode(bits);
                mode = GeneralMode::Alphanumeric;
            } else if (c >= '0' && c <= '9') {
                bits.put(std::uint32_t(c - '0') + 5, 5);
                ++i;
            } else if (c >= 'A' && c <= 'Z') {
                bits.put(std::uint32_t(c - 'A') + 64, 7);
                ++i;
            } else if (c >= 'a' && c <= 'z') {
                bits.put(std::uint32_t(c - 'a') + 90, 7);
                ++i;
            } else {
                bits.put(std::uint32_t(iso646_punctuation.find(c)) + 232, 8);
                ++i;
            }
            break;
        }
        }
    }
    return end;
}

}  // namespace tavlo::databar
