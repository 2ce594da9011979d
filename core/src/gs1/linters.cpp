#include "linters.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

#include "check_characters.hpp"

namespace tavlo::gs1 {
namespace {

#include "code_lists.inc"

using Failure = std::optional<std::string>;

Failure fail(std::string message) { return message; }

int two_digits(std::string_view text, std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); }

template <std::size_t N>
bool listed(const std::string_view (&list)[N], std::string_view code) {
    return std::ranges::binary_search(list, code);
}

bool leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days in `month` (1-12); a two-digit year is taken as 20YY, which gives 2000 its 29 February as the GS1
// General Specifications' sliding century (7.12) does for every year a label can carry today.
int days_in_month(int year, int month) {
    constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leap_year(year) ? 29 : days[static_cast<std::size_t>(month - 1)];
}

Failure check_date(int year, int month, int day, bool day_zero) {
    if (month < 1 || month > 12) return fail("month " + std::to_string(month) + " is not a valid month");
    if (day == 0 && day_zero) return std::nullopt;
    if (day < 1 || day > days_in_month(year, month)) {
        return fail("day " + std::to_string(day) + " is not a valid day of month " + std::to_string(month));
    }
    return std::nullopt;
}

Failure check_hour(std::string_view value, std::size_t at) {
    if (const int hour = two_digits(value, at); hour > 23) return fail("hour " + std::to_string(hour) + " is not a valid hour");
    return std::nullopt;
}

Failure check_minute(std::string_view value, std::size_t at, std::string_view what) {
    if (const int minute = two_digits(value, at); minute > 59) {
        return fail(std::string(what) + " " + std::to_string(minute) + " is not a valid " + std::string(what));
    }
    return std::nullopt;
}

bool is_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// A GS1 Company Prefix is at least four digits long (GS1 General Specifications 1.4.3).
constexpr std::size_t gcp_min_digits = 4;

Failure check_gcp(std::string_view value, std::size_t at) {
    if (value.size() < at + gcp_min_digits || !all_digits(value.substr(at, gcp_min_digits))) {
        return fail("the GS1 Company Prefix must begin with " + std::to_string(gcp_min_digits) + " digits");
    }
    return std::nullopt;
}

// ISO 13616: the country code, then the two check digits that make the rearranged number 1 modulo 97.
Failure check_iban(std::string_view value) {
    constexpr std::size_t iban_min = 11, iban_max = 34;
    if (value.size() < 2 || !listed(iso3166_alpha2, value.substr(0, 2))) {
        return fail("the IBAN must begin with an ISO 3166 alpha-2 country code");
    }
    if (value.size() < iban_min || value.size() > iban_max) return fail("an IBAN has 11 to 34 characters");
    std::uint32_t remainder = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[(i + 4) % value.size()];
        if (c >= '0' && c <= '9') {
            remainder = (remainder * 10 + std::uint32_t(c - '0')) % 97;
        } else if (c >= 'A' && c <= 'Z') {
            remainder = (remainder * 100 + std::uint32_t(c - 'A' + 10)) % 97;
        } else {
            return fail(std::string("'") + c + "' is not allowed in an IBAN");
        }
    }
    if (remainder != 1) return fail("the IBAN check digits are incorrect");
    return std::nullopt;
}

Failure check_position_in_sequence(std::string_view value) {
    const std::size_t slash = value.find('/');
    const std::string_view position = value.substr(0, slash);
    const std::string_view end = slash == std::string_view::npos ? std::string_view{} : value.substr(slash + 1);
    if (position.empty() || end.empty() || !all_digits(position) || !all_digits(end)) {
        return fail("the value must be \"<position>/<end>\"");
    }
    if (position[0] == '0' || end[0] == '0') return fail("position and end must not be zero or begin with 0");
    if (position.size() > end.size() || (position.size() == end.size() && position > end)) {
        return fail("position " + std::string(position) + " is after the end " + std::string(end));
    }
    return std::nullopt;
}

Failure check_piece_of_total(std::string_view value) {
    const std::size_t half = value.size() / 2;
    const std::string_view piece = value.substr(0, half), total = value.substr(half);
    if (std::ranges::all_of(piece, [](char c) { return c == '0'; })) return fail("the piece number must not be zero");
    if (piece > total) {
        return fail("piece " + std::string(piece) + " is more than the total " + std::string(total));
    }
    return std::nullopt;
}

Failure check_upper_bound(std::string_view value, std::string_view most, std::string_view what) {
    if (value > most) return fail("the " + std::string(what) + " is more than " + std::string(most));
    return std::nullopt;
}

}  // namespace

bool all_digits(std::string_view text) {
    return std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

Failure lint_yymmdd(std::string_view value, bool day_zero) {
    return check_date(2000 + two_digits(value, 0), two_digits(value, 2), two_digits(value, 4), day_zero);
}

Failure lint(Linter linter, std::string_view value) {
    switch (linter) {
    case Linter::none: return std::nullopt;
    case Linter::csum:
        if (!numeric_check_digit_ok(value)) return fail("the check digit is incorrect");
        return std::nullopt;
    case Linter::csumalpha:
        if (!check_character_pair_ok(value)) return fail("the check character pair is incorrect");
        return std::nullopt;
    case Linter::gcppos1: return check_gcp(value, 0);
    case Linter::gcppos2: return check_gcp(value, 1);
    case Linter::yymmd0: return lint_yymmdd(value, true);
    case Linter::yymmdd: return lint_yymmdd(value, false);
    case Linter::yyyymmdd:
        return check_date(std::stoi(std::string(value.substr(0, 4))), two_digits(value, 4), two_digits(value, 6),
                          false);
    case Linter::hhmi:
        if (auto failure = check_hour(value, 0)) return failure;
        return check_minute(value, 2, "minute");
    case Linter::hh: return check_hour(value, 0);
    case Linter::mi: return check_minute(value, 0, "minute");
    case Linter::ss: return check_minute(value, 0, "second");
    case Linter::iso3166:
        if (!listed(iso3166_numeric, value)) return fail(std::string(value) + " is not an ISO 3166 country code");
        return std::nullopt;
    case Linter::iso3166999:
        if (value != "999" && !listed(iso3166_numeric, value)) {
            return fail(std::string(value) + " is neither an ISO 3166 country code nor 999");
        }
        return std::nullopt;
    case Linter::iso3166alpha2:
        if (!listed(iso3166_alpha2, value)) return fail(std::string(value) + " is not an ISO 3166 alpha-2 country code");
        return std::nullopt;
    case Linter::iso4217:
        if (!listed(iso4217_numeric, value)) return fail(std::string(value) + " is not an ISO 4217 currency code");
        return std::nullopt;
    case Linter::pcenc:
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '%' && (i + 2 >= value.size() || !is_hex(value[i + 1]) || !is_hex(value[i + 2]))) {
                return fail("'%' must be followed by two hexadecimal digits");
            }
        }
        return std::nullopt;
    case Linter::latitude: return check_upper_bound(value, "1800000000", "latitude");
    case Linter::longitude: return check_upper_bound(value, "3600000000", "longitude");
    case Linter::yesno:
        if (value != "0" && value != "1") return fail("the value must be 0 or 1");
        return std::nullopt;
    case Linter::hyphen:
        if (!std::ranges::all_of(value, [](char c) { return c == '-'; })) return fail("only '-' is allowed here");
        return std::nullopt;
    case Linter::importeridx: {
        const char c = value[0];
        const bool ok = c == '-' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!ok) return fail(std::string("'") + c + "' is not a valid importer index");
        return std::nullopt;
    }
    case Linter::packagetype:
        if (!listed(package_types, value)) return fail(std::string(value) + " is not a GS1 package type code");
        return std::nullopt;
    case Linter::mediatype: {
        // 01-10 assigned, 80-99 for local use (GS1 General Specifications, AI 7241).
        const int code = two_digits(value, 0);
        if (!((code >= 1 && code <= 10) || code >= 80)) return fail(std::string(value) + " is not an AIDC media type");
        return std::nullopt;
    }
    case Linter::iso5218:
        if (value != "0" && value != "1" && value != "2" && value != "9") {
            return fail(std::string(value) + " is not an ISO/IEC 5218 sex code");
        }
        return std::nullopt;
    case Linter::posinseqslash: return check_position_in_sequence(value);
    case Linter::nonzero:
        if (std::ranges::all_of(value, [](char c) { return c == '0'; })) return fail("the value must not be zero");
        return std::nullopt;
    case Linter::zero:
        if (value != "0") return fail("the value must be 0");
        return std::nullopt;
    case Linter::winding:
        if (value != "0" && value != "1" && value != "9") return fail("the winding direction must be 0, 1 or 9");
        return std::nullopt;
    case Linter::nozeroprefix:
        if (value.size() > 1 && value[0] == '0') return fail("the value must not begin with 0");
        return std::nullopt;
    case Linter::hasnondigit:
        if (all_digits(value)) return fail("the value must hold a character other than a digit");
        return std::nullopt;
    case Linter::pieceoftotal: return check_piece_of_total(value);
    case Linter::iban: return check_iban(value);
    case Linter::couponcode: return lint_coupon_code(value);
    case Linter::couponposoffer: return lint_coupon_positive_offer(value);
    }
    return std::nullopt;
}

}  // namespace tavlo::gs1
