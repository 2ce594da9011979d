#include "databar_expanded_data.hpp"

#include <string>

#include "../../assert.hpp"
#include "databar_general_field.hpp"

namespace tavlo::databar {
namespace {

// The encodation methods (Table 10), numbered as there: 1 "1" (a GTIN first), 2 "00" (anything), 3 "0100"
// (a GTIN with indicator 9 and a net weight in kg, 3103), 4 "0101" (… in lb, 3202 or 3203), 5 "01100"
// (… and a price, 392x), 6 "01101" (… and a price with its currency, 393x), 7 to 14 "0111000" to
// "0111111" (… and a weight, 310x or 320x, and a date, 11, 13, 15 or 17).
struct Method {
    int number;
    std::size_t compressed_end;  // characters of `reduced` the compressed field takes; the rest is general
};

bool digits_at(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return false;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

std::uint32_t number_at(std::string_view text, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = at; i < at + count; ++i) value = value * 10 + std::uint32_t(text[i] - '0');
    return value;
}

// Offsets within `reduced` when it starts "01" and a GTIN of 14 digits.
constexpr std::size_t gtin_end = 16;
constexpr std::size_t second_ai = 16;      // the AI after the GTIN
constexpr std::size_t weight_at = 20;      // the six digits of a 310x or 320x
constexpr std::size_t date_ai_at = 26;     // a date's AI after the weight
constexpr std::size_t date_at = 28;
constexpr std::size_t weight_and_date_end = 34;
constexpr std::uint32_t max_3103_weight = 32767;
constexpr std::uint32_t max_3202_weight = 9999;
constexpr std::uint32_t max_3203_weight = 22767;
constexpr std::uint32_t pounds_3203_offset = 10000;
constexpr std::uint32_t no_date = 38400;

Method choose_method(std::string_view r) {
    if (!(r.size() >= gtin_end && r.starts_with("01"))) return {2, 0};
    // The compressed methods other than 1 need the GTIN's indicator 9 (variable measure) and its AI next.
    if (r.size() < second_ai + 4 || r[2] != '9' || !digits_at(r, second_ai, 4)) return {1, gtin_end};
    const std::string_view ai = r.substr(second_ai, 4);
    const bool weight = (ai.starts_with("310") || ai.starts_with("320")) && digits_at(r, weight_at, 6) &&
                        r[weight_at] == '0';  // the weight fields hold at most 99999
    if (weight && r.size() == weight_at + 6) {
        const std::uint32_t value = number_at(r, weight_at, 6);
        if ((ai == "3103" && value <= max_3103_weight) || (ai == "3202" && value <= max_3202_weight) ||
            (ai == "3203" && value <= max_3203_weight)) {
            return {ai[1] == '1' ? 3 : 4, r.size()};
        }
        return {ai[1] == '1' ? 7 : 8, r.size()};  // a weight without a date: the date field says so
    }
    if (weight && r.size() == weight_and_date_end && r[date_ai_at] == '1' &&
        std::string_view("1357").find(r[date_ai_at + 1]) != std::string_view::npos &&
        number_at(r, date_at + 2, 2) >= 1) {
        const int date_index = (r[date_ai_at + 1] - '1') / 2;  // 11, 13, 15, 17
        return {7 + 2 * date_index + (ai[1] == '2' ? 1 : 0), r.size()};
    }
    if (ai.starts_with("392") && ai[3] <= '3') return {5, second_ai + 4};
    if (ai.starts_with("393") && ai[3] <= '3' && digits_at(r, second_ai + 4, 3)) return {6, second_ai + 7};
    return {1, gtin_end};
}

// The GTIN's digits after the indicator, check digit dropped, in four groups of three (7.2.5.2).
void put_gtin_groups(std::string_view r, Bits& bits) {
    for (std::size_t group = 0; group < 4; ++group) bits.put(number_at(r, 3 + 3 * group, 3), 10);
}

// Returns where the two-bit variable length field sits, or 0 for the fixed-length methods.
std::size_t put_method_and_compressed(const Method& m, std::string_view r, Bits& bits) {
    std::size_t length_field = 0;
    switch (m.number) {
    case 1:
        bits.put(0b1, 1);
        length_field = bits.size();
        bits.put(0, 2);
        bits.put(number_at(r, 2, 1), 4);  // the indicator digit
        put_gtin_groups(r, bits);
        break;
    case 2:
        bits.put(0b00, 2);
        length_field = bits.size();
        bits.put(0, 2);
        break;
    case 3:
    case 4: {
        bits.put(m.number == 3 ? 0b0100 : 0b0101, 4);
        put_gtin_groups(r, bits);
        const std::uint32_t weight = number_at(r, weight_at, 6);
        bits.put(r.substr(second_ai, 4) == "3203" ? weight + pounds_3203_offset : weight, 15);
        break;
    }
    case 5:
    case 6:
        bits.put(m.number == 5 ? 0b01100 : 0b01101, 5);
        length_field = bits.size();
        bits.put(0, 2);
        put_gtin_groups(r, bits);
        bits.put(number_at(r, second_ai + 3, 1), 2);  // the price's decimal places
        if (m.number == 6) bits.put(number_at(r, second_ai + 4, 3), 10);  // ISO 4217 currency
        break;
    default: {
        bits.put(0b0111000 + std::uint32_t(m.number - 7), 7);
        put_gtin_groups(r, bits);
        // The weight's decimal places before its five digits, then the date as YY * 384 + (MM - 1) * 32 + DD,
        // or 38400 (beyond any date) when there is none.
        bits.put(number_at(r, second_ai + 3, 1) * 100000 + number_at(r, weight_at + 1, 5), 20);
        const bool dated = r.size() == weight_and_date_end;
        bits.put(dated ? number_at(r, date_at, 2) * 384 + (number_at(r, date_at + 2, 2) - 1) * 32 +
                             number_at(r, date_at + 4, 2)
                       : no_date,
                 16);
        break;
    }
    }
    return length_field;
}

constexpr std::size_t character_bits = 12;
constexpr std::size_t min_symbol_characters = 4;  // the check character and three data characters
constexpr std::size_t size_group_characters = 14;  // the length field's second bit: more than 14 characters

// Symbol characters (the check character included) that `bit_count` bits fill.
std::size_t symbol_characters_for(std::size_t bit_count, std::uint32_t segments_per_row) {
    std::size_t characters = (bit_count + character_bits - 1) / character_bits + 1;
    if (segments_per_row != 0 && characters % segments_per_row == 1) ++characters;
    return std::max(characters, min_symbol_characters);
}

}  // namespace

Result<std::vector<std::uint16_t>> expanded_data_characters(std::string_view reduced,
                                                            std::uint32_t segments_per_row) {
    Bits bits;
    bits.put(0, 1);  // linkage flag: no composite component
    const Method method = choose_method(reduced);
    const std::size_t length_field = put_method_and_compressed(method, reduced, bits);
    auto end = encode_general_field(reduced.substr(method.compressed_end), bits);
    if (!end) return std::unexpected(std::move(end.error()));

    std::size_t characters = symbol_characters_for(bits.size(), segments_per_row);
    if (end->last_digit != 0) {
        // A last single digit takes 4 bits (digit + 1) where 4 to 6 bits are left, else it is paired with
        // FNC1 in 7 (7.2.5.5.1 c).
        const std::size_t room = character_bits * (characters - 1) - bits.size();
        const std::uint32_t digit = std::uint32_t(end->last_digit - '0');
        if (room >= 4 && room <= 6) {
            bits.put(digit + 1, 4);
        } else {
            bits.put(11 * digit + 10 + 8, 7);
        }
        characters = symbol_characters_for(bits.size(), segments_per_row);
    }
    const std::size_t max_bits = character_bits * expanded_max_data_characters;
    if (bits.size() > max_bits) {
        return std::unexpected(TavloError::encoding("GS1 DataBar Expanded: the element string is too long, it needs " +
                                                    std::to_string(bits.size()) + " bits of the " +
                                                    std::to_string(max_bits) + " the symbol holds"));
    }
    // Padding (7.2.5.5.4): in numeric mode a latch to alphanumeric first, then alphanumeric latches to ISO/IEC
    // 646, cut where the last character ends.
    const std::size_t data_bits = character_bits * (characters - 1);
    Bits padding;
    if (end->mode == GeneralMode::Numeric) padding.put(0b0000, 4);
    while (bits.size() + padding.size() < data_bits) padding.put(0b00100, 5);
    bits.bits.insert(bits.bits.end(), padding.bits.begin(), padding.bits.begin() + std::ptrdiff_t(data_bits - bits.size()));
    if (length_field != 0) {
        bits.bits[length_field] = characters & 1;  // odd number of symbol characters
        bits.bits[length_field + 1] = characters > size_group_characters;
    }
    TAVLO_ASSERT(bits.size() == data_bits);

    std::vector<std::uint16_t> values(characters - 1, 0);
    for (std::size_t i = 0; i < bits.size(); ++i) {
        values[i / character_bits] = std::uint16_t(values[i / character_bits] << 1 | bits.bits[i]);
    }
    return values;
}

}  // namespace tavlo::databar
