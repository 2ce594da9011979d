#include "ean_upc.hpp"

#include <array>
#include <cstdint>

#include "../../ascii.hpp"
#include "../../utf8.hpp"
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
    for (int i = 1; i <= 6; ++i) append_digit(out, digits12[i], (parity >> (6 - i)) & 1u ? NumberSet::B : NumberSet::A);
    append_guard(out, true);
    for (int i = 7; i <= 11; ++i) append_digit(out, digits12[i], NumberSet::C);
    append_digit(out, check, NumberSet::C);
    append_guard(out, false);
    return out;
}

}  // namespace tavlo::ean_upc
