#include "ai_table.hpp"

#include <algorithm>

namespace tavlo::gs1 {
namespace {

using L = Linter;

constexpr AiEntry table[] = {
#include "ai_table.inc"
};

// Entries are in lexical order of `first` (the generator checks it), so the only entry that can hold an AI
// is the last one whose `first` is not greater than it.
constexpr bool sorted_by_first() {
    for (std::size_t i = 1; i < std::size(table); ++i) {
        if (!(table[i - 1].first < table[i].first)) return false;
    }
    return true;
}
static_assert(sorted_by_first());

}  // namespace

std::size_t AiEntry::max_length() const {
    std::size_t total = 0;
    for (const Component& part : parts()) total += part.max_length;
    return total;
}

const AiEntry* find_ai(std::string_view ai) {
    const auto* after = std::ranges::upper_bound(table, ai, {}, &AiEntry::first);
    if (after == std::begin(table)) return nullptr;
    const AiEntry& entry = *(after - 1);
    if (ai.size() != entry.first.size() || ai > entry.last) return nullptr;
    return &entry;
}

bool matches_pattern(std::string_view pattern, std::string_view ai) {
    if (pattern.size() != ai.size()) return false;
    for (std::size_t i = 0; i < ai.size(); ++i) {
        if (pattern[i] != 'n' && pattern[i] != ai[i]) return false;
    }
    return true;
}

}  // namespace tavlo::gs1
