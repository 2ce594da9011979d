#include "ean_upc.hpp"

#include <array>
#include <cstdint>

#include "../../ascii.hpp"
#include "../../utf8.hpp"
#include "../../assert.hpp"
#include "tavlo/gs1_check.hpp"

namespace tavlo::ean_upc {
namespace {

// Number set A (odd parity), 7 modules each, most significant bit first. Set C is its complement and set B
// is set C reversed (ISO/IEC 15420, Table 1).
constexpr std::array<std::uint8_t, 10> set_a = {0b0001101, 0b0011001, 0b0010011, 0b0111101, 0b0100011,
                                                0b0110001, 0b0101111, 0b0111011, 0b0110111, 0b0001011};

// EAN-13: the sets (bit set = B) of the six left-half digits, selected by the leading digit.
constexpr std::array<std::uint8_t, 10> leading_parity = {0b000000, 0b001011, 0b001101, 0b001110, 0b010011,
                                                         0b011001, 0b011100, 0b010101, 0b010110, 0b011010};

// UPC-E: the sets (bit set = B) of the six digits for number system 0, selected by the check digit; number
// system 1 takes the complement (ISO/IEC 15420, Table 4).
constexpr std::array<std::uint8_t, 10> upc_e_parity = {0b111000, 0b110100, 0b110010, 0b110001, 0b101100,
                                                       0b100110, 0b100011, 0b101010, 0b101001, 0b100101};
constexpr std::uint8_t six_sets = 0b111111;

// EAN-5 add-on: the sets (bit set = B) of its five digits, selected by its check value (ISO/IEC 15420,
// Annex: add-on symbols; GS1 General Specifications 5.2.2.5.2).
constexpr std::array<std::uint8_t, 10> addon5_parity = {0b11000, 0b10100, 0b10010, 0b10001, 0b01100,
                                                        0b00110, 0b00011, 0b01010, 0b01001, 0b00101};

enum class NumberSet { A, B, C };

void append_pattern(ModuleSequence& out, std::uint32_t bits, int count) {
    for (int i = count - 1; i >= 0; --i) out.push_back((bits >> i) & 1u);
}

void append_digit(ModuleSequence& out, char digit, NumberSet set) {
    std::uint8_t a = set_a[digit - '0'];
    std::uint8_t c = static_cast<std::uint8_t>(~a & 0x7F);
    if (set == NumberSet::A) return append_pattern(out, a, 7);
    if (set == NumberSet::C) return append_pattern(out, c, 7);
    for (int i = 0; i < 7; ++i) out.push_back((c >> i) & 1u);  // B: C read backwards
}

NumberSet set_of(std::uint8_t parity, int bit) { return (parity >> bit) & 1u ? NumberSet::B : NumberSet::A; }

void append_guard(ModuleSequence& out, bool centre) {
    if (centre)
        append_pattern(out, 0b01010, 5);
    else
        append_pattern(out, 0b101, 3);
}

}  // namespace

Result<std::string_view> validate(std::string_view data, std::string_view symbology, std::size_t data_digits) {
    if (data.size() != data_digits && data.size() != data_digits + 1)
        return std::unexpected(TavloError::invalid_length(symbology, data_digits, data.size()));
    auto bad = utf8::first_refused(data, ascii::is_digit);
    if (!bad.empty()) return std::unexpected(TavloError::invalid_character(symbology, bad));
    auto digits = data.substr(0, data_digits);
    if (data.size() > data_digits && data.back() - '0' != gs1::check_digit(digits))
        return std::unexpected(TavloError::invalid_checksum(symbology));
    return digits;
}

Result<std::string> with_check_digit(std::string_view data, std::string_view symbology, std::size_t data_digits) {
    if (data.size() != data_digits && data.size() != data_digits + 1) {
        return std::unexpected(TavloError::invalid_data(
            "Invalid length for " + std::string(symbology) + ": expected " + std::to_string(data_digits) + " or " +
            std::to_string(data_digits + 1) + " digits, got " + std::to_string(utf8::code_points(data))));
    }
    auto bad = utf8::first_refused(data, ascii::is_digit);
    if (!bad.empty()) return std::unexpected(TavloError::invalid_character(symbology, bad));
    std::string digits(data.substr(0, data_digits));
    const char check = static_cast<char>('0' + gs1::check_digit(digits));
    if (data.size() > data_digits && data.back() != check)
        return std::unexpected(TavloError::invalid_check_digit(symbology, check));
    digits.push_back(check);
    return digits;
}

ModuleSequence ean8_modules(std::string_view digits7) {
    ModuleSequence out;
    out.reserve(67);
    char check = static_cast<char>('0' + gs1::check_digit(digits7));
    append_guard(out, false);
    for (int i = 0; i < 4; ++i) append_digit(out, digits7[i], NumberSet::A);
    append_guard(out, true);
    for (int i = 4; i < 7; ++i) append_digit(out, digits7[i], NumberSet::C);
    append_digit(out, check, NumberSet::C);
    append_guard(out, false);
    return out;
}

ModuleSequence ean13_modules(std::string_view digits12) {
    ModuleSequence out;
    out.reserve(95);
    char check = static_cast<char>('0' + gs1::check_digit(digits12));
    std::uint8_t parity = leading_parity[digits12[0] - '0'];
    append_guard(out, false);
    for (int i = 1; i <= 6; ++i) append_digit(out, digits12[i], set_of(parity, 6 - i));
    append_guard(out, true);
    for (int i = 7; i <= 11; ++i) append_digit(out, digits12[i], NumberSet::C);
    append_digit(out, check, NumberSet::C);
    append_guard(out, false);
    return out;
}

ModuleSequence upc_e_modules(std::string_view digits8) {
    ModuleSequence out;
    out.reserve(51);
    std::uint8_t parity = upc_e_parity[digits8[7] - '0'];
    if (digits8[0] == '1') parity ^= six_sets;
    append_guard(out, false);
    for (int i = 1; i <= 6; ++i) append_digit(out, digits8[i], set_of(parity, 6 - i));
    // The end guard is the centre guard followed by one more bar: 010101.
    append_guard(out, true);
    append_pattern(out, 0b1, 1);
    return out;
}

ModuleSequence addon_modules(std::string_view digits) {
    TAVLO_ASSERT(digits.size() == 2 || digits.size() == 5);
    std::uint8_t parity = 0;
    if (digits.size() == 2) {
        // EAN-2: the value modulo 4 picks AA, AB, BA or BB.
        parity = static_cast<std::uint8_t>(((digits[0] - '0') * 10 + (digits[1] - '0')) % 4);
    } else {
        // EAN-5: weights 3 and 9 alternating from the left, modulo 10.
        int sum = 0;
        for (std::size_t i = 0; i < 5; ++i) sum += (digits[i] - '0') * (i % 2 == 0 ? 3 : 9);
        parity = addon5_parity[sum % 10];
    }
    const int last = static_cast<int>(digits.size()) - 1;
    ModuleSequence out;
    out.reserve(digits.size() * 9 + 2);
    append_pattern(out, 0b1011, 4);  // the add-on's start guard
    for (int i = 0; i <= last; ++i) {
        if (i > 0) append_pattern(out, 0b01, 2);  // delineator
        append_digit(out, digits[i], set_of(parity, last - i));
    }
    return out;
}

}  // namespace tavlo::ean_upc
