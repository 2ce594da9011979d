// The rules between the elements of one message (GS1 General Specifications 4.14): one value per AI,
// mandatory associations (req=) and invalid pairs (ex=) from the dictionary, and a digital signature only
// over a serialised key.
#include <algorithm>
#include <optional>
#include <string>

#include "ai_table.hpp"
#include "tavlo/gs1_syntax.hpp"

namespace tavlo::gs1 {

Result<void> check_entry_value(const AiEntry& entry, std::string_view ai, std::string_view value);

namespace {

TavloError pairing_error(std::string_view ai, std::string rule) {
    return TavloError::gs1_syntax("AI (" + std::string(ai) + "): " + rule);
}

bool present(std::span<const AiField> elements, std::string_view pattern) {
    return std::ranges::any_of(elements, [&](const AiField& e) { return matches_pattern(pattern, e.ai); });
}

// Splits `text` at `separator` and calls `each` with every part until it returns true; whether it did.
template <class F>
bool any_part(std::string_view text, char separator, F each) {
    while (true) {
        const std::size_t end = text.find(separator);
        if (each(text.substr(0, end))) return true;
        if (end == std::string_view::npos) return false;
        text.remove_prefix(end + 1);
    }
}

// "01+21,03+21" as "(01) with (21) or (03) with (21)"; an 'n' stands for any digit.
std::string describe_alternatives(std::string_view rule) {
    std::string out;
    any_part(rule, ',', [&](std::string_view group) {
        if (!out.empty()) out += " or ";
        bool first = true;
        any_part(group, '+', [&](std::string_view ai) {
            out += first ? "(" : " with (";
            out += ai;
            out += ')';
            first = false;
            return false;
        });
        return false;
    });
    return out;
}

Result<void> check_requirements(std::span<const AiField> elements, const AiField& element, const AiEntry& entry) {
    std::optional<std::string_view> broken;
    any_part(entry.req, ';', [&](std::string_view rule) {
        if (rule.empty()) return false;
        const bool kept = any_part(rule, ',', [&](std::string_view group) {
            return !any_part(group, '+', [&](std::string_view ai) { return !present(elements, ai); });
        });
        if (!kept) broken = rule;
        return !kept;
    });
    if (broken) return std::unexpected(pairing_error(element.ai, "requires AI " + describe_alternatives(*broken)));
    return {};
}

Result<void> check_exclusions(std::span<const AiField> elements, const AiField& element, const AiEntry& entry) {
    std::string_view other;
    const bool excluded = !entry.ex.empty() && any_part(entry.ex, ',', [&](std::string_view pattern) {
        for (const AiField& e : elements) {
            if (e.ai != element.ai && matches_pattern(pattern, e.ai)) {
                other = e.ai;
                return true;
            }
        }
        return false;
    });
    if (excluded) return std::unexpected(pairing_error(element.ai, "may not appear with AI (" + std::string(other) + ")"));
    return {};
}

// A digital signature (8030) signs a serialised key: the document, coupon or asset keys 253, 255 and 8003
// must carry their serial component with it.
Result<void> check_signature_keys(std::span<const AiField> elements) {
    if (!present(elements, "8030")) return {};
    for (const AiField& e : elements) {
        if (e.ai != "253" && e.ai != "255" && e.ai != "8003") continue;
        const AiEntry* entry = find_ai(e.ai);
        std::size_t mandatory = 0;
        for (const Component& part : entry->parts()) mandatory += part.optional ? 0 : part.max_length;
        if (e.data.size() <= mandatory) {
            return std::unexpected(pairing_error("8030", "the digital signature needs AI (" + e.ai + ") with a serial component"));
        }
    }
    return {};
}

}  // namespace

Result<void> validate_elements(std::span<const AiField> elements) {
    if (elements.empty()) return std::unexpected(TavloError::gs1_syntax("the element string holds no elements"));
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const AiField& element = elements[i];
        const AiEntry* entry = find_ai(element.ai);
        if (!entry) return std::unexpected(pairing_error(element.ai, "not an allocated Application Identifier"));
        if (auto checked = check_entry_value(*entry, element.ai, element.data); !checked) return checked;
        for (std::size_t j = 0; j < i; ++j) {
            if (elements[j].ai == element.ai && elements[j].data != element.data) {
                return std::unexpected(pairing_error(element.ai, "appears twice with different values"));
            }
        }
    }
    for (const AiField& element : elements) {
        const AiEntry& entry = *find_ai(element.ai);
        if (auto kept = check_requirements(elements, element, entry); !kept) return kept;
        if (auto kept = check_exclusions(elements, element, entry); !kept) return kept;
    }
    return check_signature_keys(elements);
}

}  // namespace tavlo::gs1
