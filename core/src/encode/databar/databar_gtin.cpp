#include "databar_gtin.hpp"

#include "../../ascii.hpp"
#include "../../utf8.hpp"
#include "tavlo/gs1_check.hpp"

namespace tavlo::databar {
namespace {

constexpr std::string_view gtin_ai = "(01)";
constexpr std::size_t gtin_digits = 14;

TavloError refusal(std::string_view symbology, const std::string& what) {
    return TavloError::encoding(std::string(symbology) + ": " + what);
}

}  // namespace

Result<std::string> gtin14(std::string_view data, std::string_view symbology) {
    if (data.starts_with(gtin_ai)) data.remove_prefix(gtin_ai.size());
    auto bad = utf8::first_refused(data, ascii::is_digit);
    if (!bad.empty()) return std::unexpected(TavloError::invalid_character(symbology, bad));
    if (data.size() != gtin_digits - 1 && data.size() != gtin_digits) {
        return std::unexpected(refusal(symbology, "a GTIN is 13 digits, or 14 with its check digit, got " +
                                                      std::to_string(data.size()) + " digits"));
    }
    std::string digits(data.substr(0, gtin_digits - 1));
    const char check = char('0' + gs1::check_digit(digits));
    if (data.size() == gtin_digits && data.back() != check) {
        return std::unexpected(refusal(symbology, std::string("the GTIN's check digit should be ") + check +
                                                      ", got " + data.back()));
    }
    digits += check;
    return digits;
}

std::string gtin_human_readable(std::string_view gtin14) { return std::string(gtin_ai) + std::string(gtin14); }

}  // namespace tavlo::databar
