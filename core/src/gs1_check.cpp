#include "tavlo/gs1_check.hpp"

#include <algorithm>
#include <optional>

namespace tavlo::gs1 {

namespace {

bool all_digits(std::string_view text) {
    return std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// The number of digits, check digit included, of the keys that end in a check digit (GS1 General
// Specifications, section 3: SSCC 18, GTIN 14, GLN 13, GSRN 18).
std::optional<std::size_t> key_digits(std::string_view ai) {
    if (ai == "00" || ai == "8017" || ai == "8018") return 18;
    if (ai == "01" || ai == "02") return 14;
    if (ai.size() == 3 && ai[0] == '4' && ai[1] == '1' && ai[2] >= '0' && ai[2] <= '7') return 13;
    return std::nullopt;
}

TavloError element_error(std::string_view ai, std::string_view what) {
    return TavloError::invalid_gs1("AI (" + std::string(ai) + ") " + std::string(what));
}

}  // namespace

int check_digit(std::string_view digits) {
    int sum = 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const int weight = (digits.size() - i) % 2 == 1 ? 3 : 1;
        sum += weight * (digits[i] - '0');
    }
    return (10 - sum % 10) % 10;
}

Result<void> validate_check_digits(std::span<const AiField> fields) {
    for (const AiField& field : fields) {
        const auto digits = key_digits(field.ai);
        if (!digits) continue;
        if (field.data.size() != *digits) {
            return std::unexpected(element_error(field.ai, "requires exactly " + std::to_string(*digits) +
                                                               " characters of data, got " +
                                                               std::to_string(field.data.size())));
        }
        if (!all_digits(field.data)) return std::unexpected(element_error(field.ai, "must hold digits only"));
        const char expected = char('0' + check_digit(std::string_view(field.data).substr(0, *digits - 1)));
        if (field.data.back() != expected) {
            return std::unexpected(element_error(
                field.ai, std::string("has check digit ") + field.data.back() + ", expected " + expected));
        }
    }
    return {};
}

std::string with_check_digits(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    std::size_t pos = 0;
    // The same split as parse: "(" AI ")" data up to the next "(" or the end.
    while (pos < text.size() && text[pos] == '(') {
        const std::size_t close = text.find(')', pos + 1);
        if (close == std::string_view::npos) break;
        std::size_t end = text.find('(', close + 1);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view ai = text.substr(pos + 1, close - pos - 1);
        const std::string_view data = text.substr(close + 1, end - close - 1);
        out += text.substr(pos, end - pos);
        if (const auto digits = key_digits(ai); digits && data.size() + 1 == *digits && all_digits(data)) {
            out += char('0' + check_digit(data));
        }
        pos = end;
    }
    out += text.substr(pos);
    return out;
}

std::string human_readable(std::span<const AiField> fields) {
    std::string out;
    for (const AiField& field : fields) {
        if (!out.empty()) out += ' ';
        out += '(' + field.ai + ") " + field.data;
    }
    return out;
}

}  // namespace tavlo::gs1
