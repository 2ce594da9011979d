// One element's value against its dictionary entry: split into components, each of its character set and
// length, then each component's content checks.
#include <array>
#include <optional>
#include <string>

#include "ai_table.hpp"
#include "linters.hpp"
#include "tavlo/gs1_syntax.hpp"

namespace tavlo::gs1 {
namespace {

// CSET 82 (GS1 General Specifications, figure 7.11-1): the printable ASCII characters but space, # $ @ [ \ ]
// ^ ` { | } ~. A table of 128 flags, 1 where the character is allowed.
constexpr auto cset82 = [] {
    std::array<bool, 128> allowed{};
    for (char c : std::string_view("!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz")) {
        allowed[static_cast<unsigned char>(c)] = true;
    }
    return allowed;
}();

bool in_cset39(char c) { return c == '#' || c == '-' || c == '/' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

bool in_base64url(char c) {
    return c == '-' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

TavloError element_error(std::string_view ai, std::string_view rule) {
    std::string message = "AI (";
    message += ai;
    message += "): ";
    message += rule;
    return TavloError::gs1_syntax(message);
}

std::string quoted(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F) {
        constexpr std::string_view hex = "0123456789ABCDEF";
        return std::string("byte 0x") + hex[byte >> 4] + hex[byte & 15];
    }
    return std::string("'") + c + "'";
}

// Z components: base64url with at most two '=' of padding that round the length to a multiple of 3, as the
// digital signature of AI 8030 is written.
std::optional<std::string> check_base64url(std::string_view part) {
    std::size_t pads = 0;
    while (pads < part.size() && part[part.size() - 1 - pads] == '=') ++pads;
    if (pads > 2 || (pads > 0 && part.size() % 3 != 0)) return std::string("the base64url padding is invalid");
    for (char c : part.substr(0, part.size() - pads)) {
        if (!in_base64url(c)) return quoted(c) + " is not a base64url character";
    }
    return std::nullopt;
}

std::optional<std::string> check_charset(char cset, std::string_view part) {
    switch (cset) {
    case 'N':
        for (char c : part) {
            if (c < '0' || c > '9') return quoted(c) + " is not a digit";
        }
        return std::nullopt;
    case 'X':
        for (char c : part) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 128 || !cset82[byte]) return quoted(c) + " is not in GS1's 82-character set";
        }
        return std::nullopt;
    case 'Y':
        for (char c : part) {
            if (!in_cset39(c)) return quoted(c) + " is not in GS1's 39-character set";
        }
        return std::nullopt;
    default: return check_base64url(part);
    }
}

std::string length_rule(const AiEntry& entry, std::size_t got) {
    std::size_t least = 0, most = 0;
    for (const Component& part : entry.parts()) {
        if (!part.optional) least += part.min_length;
        most += part.max_length;
    }
    std::string rule = "the value has " + std::to_string(got) + " characters, ";
    if (least == most) return rule + "it must have " + std::to_string(most);
    if (got > most) return rule + "at most " + std::to_string(most) + " are allowed";
    return rule + "at least " + std::to_string(least) + " are needed";
}

}  // namespace

Result<void> check_entry_value(const AiEntry& entry, std::string_view ai, std::string_view value) {
    if (value.empty()) return std::unexpected(element_error(ai, "the value is empty"));
    std::size_t pos = 0;
    for (const Component& part : entry.parts()) {
        const std::size_t left = value.size() - pos;
        if (left == 0 && part.optional) break;
        if (left < part.min_length) return std::unexpected(element_error(ai, length_rule(entry, value.size())));
        const std::string_view piece = value.substr(pos, std::min<std::size_t>(left, part.max_length));
        pos += piece.size();
        if (auto failure = check_charset(part.cset, piece)) return std::unexpected(element_error(ai, *failure));
        for (Linter linter : part.linters) {
            if (linter == Linter::none) break;
            if (auto failure = lint(linter, piece)) return std::unexpected(element_error(ai, *failure));
        }
    }
    if (pos != value.size()) return std::unexpected(element_error(ai, length_rule(entry, value.size())));
    return {};
}

Result<void> validate_element(std::string_view ai, std::string_view value) {
    const AiEntry* entry = find_ai(ai);
    if (!entry) return std::unexpected(element_error(ai, "not an allocated Application Identifier"));
    return check_entry_value(*entry, ai, value);
}

bool needs_separator(std::string_view ai) {
    const AiEntry* entry = find_ai(ai);
    return !entry || entry->separator;
}

}  // namespace tavlo::gs1
