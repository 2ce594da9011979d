// ISBN, ISSN and ISMN as EAN-13 (GS1 General Specifications 2.1.3; ISO 2108, ISO 3297, ISO 10957).
#include <string>

#include "../../ascii.hpp"
#include "../../utf8.hpp"
#include "isbn_ranges.hpp"
#include "tavlo/encode_retail.hpp"
#include "tavlo/gs1_check.hpp"

namespace tavlo {
namespace {

constexpr std::string_view isbn_prefixes[] = {"978", "979"};
constexpr std::string_view serial_prefix = "977";
constexpr std::string_view music_prefix = "9790";

bool separator(char c) { return c == '-' || c == ' '; }

// The digits of `text` with its separators left out; the last may be X where `x_last` allows it. Refuses
// any other character, naming it.
Result<std::string> digits_of(std::string_view text, std::string_view symbology, bool x_last) {
    std::string digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (separator(c)) continue;
        const bool last = text.find_first_not_of("- ", i + 1) == std::string_view::npos;
        const bool x = x_last && last && (c == 'X' || c == 'x');
        if (!ascii::is_digit(static_cast<unsigned char>(c)) && !x)
            return std::unexpected(TavloError::invalid_character(symbology, utf8::char_at(text, i)));
        digits.push_back(x ? 'X' : c);
    }
    return digits;
}

TavloError wrong_length(std::string_view symbology, std::string_view expected, std::size_t got) {
    return TavloError::invalid_data("Invalid length for " + std::string(symbology) + ": expected " +
                                    std::string(expected) + " digits, got " + std::to_string(got));
}

// The modulo-11 check character of ISBN-10 and ISSN: weights from `digits.size() + 1` down to 2.
char modulo11_check(std::string_view digits) {
    int sum = 0;
    int weight = static_cast<int>(digits.size()) + 1;
    for (char c : digits) sum += (c - '0') * weight--;
    const int check = (11 - sum % 11) % 11;
    return check == 10 ? 'X' : static_cast<char>('0' + check);
}

char ean_check(std::string_view digits12) { return static_cast<char>('0' + gs1::check_digit(digits12)); }

// `text` without its last character, then `check`: a number as the caller wrote it with a new check digit.
std::string rewritten(std::string_view prefix, std::string_view text, char check) {
    std::string out(prefix);
    out.append(text.substr(0, text.size() - 1)).push_back(check);
    return out;
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// The printed number: "ISBN 978-0-306-40615-7", `hyphenated` by the agencies' ranges whatever hyphens the
// caller wrote: the digits alone identify the number, and the hyphens that ISO 2108 and ISO 10957 print
// between its parts follow from the digits, so a caller's misplaced hyphen is no reason to refuse it. A number
// the ranges do not know (allotted after the table's date, or not yet allotted) keeps the caller's
// hyphenation, `as_written`: guessing would print a wrong one.
std::string headline(std::string_view name, std::optional<std::string> hyphenated, std::string as_written) {
    return std::string(name) + " " + (hyphenated ? *hyphenated : as_written);
}

}  // namespace

Result<BookNumber> isbn_to_ean13(std::string_view isbn) {
    const std::string written = trimmed(isbn);
    auto digits = digits_of(written, "ISBN", true);
    if (!digits) return std::unexpected(digits.error());
    if (digits->size() == 10) {
        const char check = modulo11_check(std::string_view(*digits).substr(0, 9));
        if (digits->back() != check) return std::unexpected(TavloError::invalid_check_digit("ISBN-10", check));
        std::string ean = "978" + digits->substr(0, 9);
        const char ean_digit = ean_check(ean);
        ean.push_back(ean_digit);
        const bool hyphenated = written.find_first_of("- ") != std::string::npos;
        const std::string as_written = rewritten(hyphenated ? "978-" : "978", written, ean_digit);
        return BookNumber{ean, headline("ISBN", hyphenated_isbn(ean), as_written)};
    }
    if (digits->size() != 13) return std::unexpected(wrong_length("ISBN", "10 or 13", digits->size()));
    if (digits->back() == 'X') return std::unexpected(TavloError::invalid_character("ISBN", "X"));
    const std::string_view prefix = std::string_view(*digits).substr(0, 3);
    if (prefix != isbn_prefixes[0] && prefix != isbn_prefixes[1]) {
        return std::unexpected(
            TavloError::invalid_data("Invalid prefix for ISBN: expected 978 or 979, got " + std::string(prefix)));
    }
    const char check = ean_check(std::string_view(*digits).substr(0, 12));
    if (digits->back() != check) return std::unexpected(TavloError::invalid_check_digit("ISBN", check));
    return BookNumber{*digits, headline("ISBN", hyphenated_isbn(*digits), written)};
}

Result<BookNumber> issn_to_ean13(std::string_view issn, std::string_view variant) {
    const std::string written = trimmed(issn);
    auto digits = digits_of(written, "ISSN", true);
    if (!digits) return std::unexpected(digits.error());
    if (digits->size() != 8) return std::unexpected(wrong_length("ISSN", "8", digits->size()));
    const char check = modulo11_check(std::string_view(*digits).substr(0, 7));
    if (digits->back() != check) return std::unexpected(TavloError::invalid_check_digit("ISSN", check));
    if (variant.size() != 2 || !ascii::is_digit(variant[0]) || !ascii::is_digit(variant[1])) {
        return std::unexpected(
            TavloError::invalid_data("variant must be two digits, not '" + std::string(variant) + "'"));
    }
    std::string ean = std::string(serial_prefix) + digits->substr(0, 7) + std::string(variant);
    ean.push_back(ean_check(ean));
    // The ISSN is always printed in its two groups of four.
    return BookNumber{ean, "ISSN " + digits->substr(0, 4) + "-" + digits->substr(4)};
}

Result<BookNumber> ismn_to_ean13(std::string_view ismn) {
    const std::string written = trimmed(ismn);
    const bool old_form = !written.empty() && (written[0] == 'M' || written[0] == 'm');
    auto digits = digits_of(std::string_view(written).substr(old_form ? 1 : 0), "ISMN", false);
    if (!digits) return std::unexpected(digits.error());
    if (old_form) digits->insert(0, music_prefix);
    if (digits->size() != 13) {
        return std::unexpected(
            wrong_length("ISMN", old_form ? "M and 9" : "13", digits->size() - (old_form ? 4 : 0)));
    }
    if (!digits->starts_with(music_prefix)) {
        return std::unexpected(TavloError::invalid_data("Invalid prefix for ISMN: expected 979-0 or M, got " +
                                                        digits->substr(0, 4)));
    }
    const char check = ean_check(std::string_view(*digits).substr(0, 12));
    if (digits->back() != check) return std::unexpected(TavloError::invalid_check_digit("ISMN", check));
    if (!old_form) return BookNumber{*digits, headline("ISMN", hyphenated_ismn(*digits), written)};
    // M stands for 979-0.
    const std::string_view rest = std::string_view(written).substr(1);
    const bool hyphenated = rest.starts_with('-') || rest.starts_with(' ');
    const std::string as_written = std::string(hyphenated ? "979-0" : "9790") + std::string(rest);
    return BookNumber{*digits, headline("ISMN", hyphenated_ismn(*digits), as_written)};
}

}  // namespace tavlo
