// The registration groups and registrant ranges of the ISBN (from the International ISBN Agency's range
// message) and the publisher ranges of the ISMN, and the hyphenation they give.
#include "isbn_ranges.hpp"

#include <cstdint>

#include "../../assert.hpp"

namespace tavlo {
namespace {

// A registration group: a GS1 prefix (978, 979) and the group digits that follow it; the groups of a prefix
// form a prefix code, so at most one matches a number. Its registrant ranges are book_ranges[first, first +
// count).
struct BookGroup {
    std::string_view prefix;
    std::string_view group;
    std::uint16_t first;
    std::uint16_t count;
};

// Registrants whose next 7 digits (padded with zeros) lie in [low, high] have `length` digits.
struct BookRange {
    std::uint32_t low;
    std::uint32_t high;
    std::uint8_t length;
};

#include "isbn_ranges.inc"

constexpr std::string_view music_prefix = "9790";  // ISO 10957: the ISMN's group within the ISBN's 979
constexpr std::size_t ean13_digits = 13;
constexpr std::size_t prefix_digits = 3;
constexpr std::size_t range_digits = 7;  // the width of a range's bounds

// The next `range_digits` digits of `digits`, zeros standing in past its end.
std::uint32_t padded_value(std::string_view digits) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < range_digits; ++i) value = value * 10 + (i < digits.size() ? digits[i] - '0' : 0);
    return value;
}

std::optional<std::string> hyphenated_book_number(std::string_view ean13) {
    TAVLO_ASSERT(ean13.size() == ean13_digits);
    const std::string_view prefix = ean13.substr(0, prefix_digits);
    // The digits shared out by group, registrant and publication: the check digit stands alone.
    const std::string_view body = ean13.substr(prefix_digits, ean13_digits - prefix_digits - 1);
    for (const BookGroup& group : book_groups) {
        if (group.prefix != prefix || !body.starts_with(group.group)) continue;
        const std::string_view rest = body.substr(group.group.size());
        const std::uint32_t value = padded_value(rest);
        for (std::size_t i = group.first; i < std::size_t(group.first) + group.count; ++i) {
            const BookRange& range = book_ranges[i];
            if (value < range.low || value > range.high) continue;
            // Every publication has at least one digit; a range that left none would be a fault of the table.
            if (range.length >= rest.size()) return std::nullopt;
            std::string out;
            out.reserve(ean13_digits + 4);
            out.append(prefix).append("-").append(group.group).append("-");
            out.append(rest.substr(0, range.length)).append("-").append(rest.substr(range.length));
            out.append("-").push_back(ean13.back());
            return out;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> hyphenated_isbn(std::string_view ean13) {
    if (ean13.starts_with(music_prefix)) return std::nullopt;
    return hyphenated_book_number(ean13);
}

std::optional<std::string> hyphenated_ismn(std::string_view ean13) {
    if (!ean13.starts_with(music_prefix)) return std::nullopt;
    return hyphenated_book_number(ean13);
}

}  // namespace tavlo
