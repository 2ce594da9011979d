// Bracketed element strings, "(01)09501101530003(10)ABC": the form people write and print.
#include <algorithm>
#include <string>

#include "tavlo/gs1_syntax.hpp"

namespace tavlo::gs1 {
namespace {

constexpr std::size_t min_ai_digits = 2, max_ai_digits = 4;

TavloError syntax_error(std::string rule) { return TavloError::gs1_syntax(rule); }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

Result<std::vector<AiField>> parse_element_string(std::string_view text, bool allow_composite) {
    std::vector<AiField> elements;
    elements.reserve(static_cast<std::size_t>(std::ranges::count(text, '(')));  // at most one element each
    std::size_t pos = 0;
    bool composite_seen = false;
    while (pos < text.size()) {
        if (text[pos] != '(') return std::unexpected(syntax_error("an element string begins each element with '(AI)'"));
        const std::size_t close = text.find(')', pos + 1);
        if (close == std::string_view::npos) return std::unexpected(syntax_error("an AI's '(' is not closed by ')'"));
        const std::string_view ai = text.substr(pos + 1, close - pos - 1);
        if (ai.size() < min_ai_digits || ai.size() > max_ai_digits || !std::ranges::all_of(ai, is_digit)) {
            return std::unexpected(syntax_error("AI (" + std::string(ai) + "): an AI has 2 to 4 digits"));
        }
        std::string value;
        pos = close + 1;
        // The value runs to the next '(' that is not written "\(": copied a stretch at a time.
        while (pos < text.size() && text[pos] != '(') {
            const std::size_t open = std::min(text.find('(', pos), text.size());
            const bool escaped = open < text.size() && open > pos && text[open - 1] == '\\';
            value.append(text.substr(pos, open - pos - (escaped ? 1 : 0)));
            pos = open;
            if (escaped) value += text[pos++];
        }
        if (allow_composite && !composite_seen && pos < text.size() && !value.empty() && value.back() == '|') {
            value.pop_back();
            composite_seen = true;
        }
        elements.push_back(AiField{std::string(ai), std::move(value)});
    }
    if (elements.empty()) return std::unexpected(syntax_error("the element string holds no elements"));
    if (auto valid = validate_elements(elements); !valid) return std::unexpected(std::move(valid.error()));
    return elements;
}

std::string to_element_string(std::span<const AiField> elements) {
    std::string out;
    for (const AiField& e : elements) {
        out += '(';
        out += e.ai;
        out += ')';
        for (char c : e.data) {
            if (c == '(') out += '\\';
            out += c;
        }
    }
    return out;
}

}  // namespace tavlo::gs1
