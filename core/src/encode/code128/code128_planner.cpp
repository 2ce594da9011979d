#include "code128_planner.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "../../ascii.hpp"
#include "../../utf8.hpp"
#include "../../assert.hpp"
#include "code128_table.hpp"

namespace tavlo::code128 {
namespace {

// One unit of the flattened input: an ASCII code 0 to 127, or function_base + n for FNCn.
using PlanUnit = std::uint8_t;
constexpr PlanUnit function_base = 128;
constexpr PlanUnit fnc1_unit = function_base + 1;

enum class CodeSet : std::uint8_t { A, B, C };
using enum CodeSet;
constexpr std::array<char32_t, 3> selectors = {select_a, select_b, select_c};
constexpr std::array<char32_t, 4> functions = {fnc1, fnc2, fnc3, fnc4};

// The cost of an impossible way; a few additions to it stay below 2^32 and still compare as impossible.
// Every real cost is below it: a unit costs at most two characters (a change of set and itself), and plan()
// refuses before costing any input of more units than twice the characters a symbol can hold.
constexpr std::uint32_t NO_ROUTE = (1u << 31) - 1;

// Per set, the fewest symbol characters that encode the units from this position on, starting in that set.
struct CostRow {
    std::array<std::uint32_t, 3> cost;

    std::uint32_t& operator[](CodeSet set) { return cost[std::size_t(set)]; }
    std::uint32_t operator[](CodeSet set) const { return cost[std::size_t(set)]; }
};
static_assert(sizeof(CostRow) == 12);

struct Flattened {
    std::vector<PlanUnit> units;
    std::optional<CodeSet> start;  // the first StartA/B/C of the list, if any
};

Result<Flattened> flatten(std::span<const Code128Symbol> symbols) {
    using Kind = Code128Symbol::Kind;
    std::size_t bound = 0;
    for (const auto& symbol : symbols) bound += symbol.kind == Kind::Data ? symbol.data.size() : 1;
    Flattened flat;
    flat.units.reserve(bound);
    for (const auto& symbol : symbols) {
        switch (symbol.kind) {
        case Kind::Data: {
            auto bad = utf8::first_refused(symbol.data, [](unsigned char) { return true; });
            if (!bad.empty()) return std::unexpected(TavloError::invalid_character("Code 128", bad));
            flat.units.insert(flat.units.end(), symbol.data.begin(), symbol.data.end());
            break;
        }
        case Kind::FNC1: flat.units.push_back(function_base + 1); break;
        case Kind::FNC2: flat.units.push_back(function_base + 2); break;
        case Kind::FNC3: flat.units.push_back(function_base + 3); break;
        case Kind::FNC4: flat.units.push_back(function_base + 4); break;
        case Kind::StartA:
            if (!flat.start) flat.start = A;
            break;
        case Kind::StartB:
            if (!flat.start) flat.start = B;
            break;
        case Kind::StartC:
            if (!flat.start) flat.start = C;
            break;
        }
    }
    return flat;
}

// The cost of encoding unit i in each set without changing set first. Set C takes FNC1 and digit pairs only.
CostRow own_costs(std::span<const PlanUnit> units, std::span<const CostRow> rows, std::size_t i) {
    PlanUnit u = units[i];
    bool function = u >= function_base;
    CostRow own{{NO_ROUTE, NO_ROUTE, NO_ROUTE}};
    if (function || u < 96) own[A] = rows[i + 1][A] + 1;
    if (function || u >= 32) own[B] = rows[i + 1][B] + 1;
    if (u == fnc1_unit)
        own[C] = rows[i + 1][C] + 1;
    else if (ascii::is_digit(u) && i + 1 < units.size() && ascii::is_digit(units[i + 1]))
        own[C] = rows[i + 2][C] + 1;
    return own;
}

// The set to change to when staying in `set` is not on a shortest way: the first of A, B and C that is.
std::optional<CodeSet> change_to(const CostRow& row, CodeSet set) {
    for (CodeSet to : {A, B, C})
        if (to != set && row[to] + 1 == row[set]) return to;
    return std::nullopt;
}

// Every selector-text character beyond ASCII lies below U+0800.
char* put_two_bytes(char* out, char32_t c) {
    *out++ = static_cast<char>(0xC0 | (c >> 6));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
    return out;
}

}  // namespace

Result<std::string> plan(std::span<const Code128Symbol> symbols) {
    auto flat = flatten(symbols);
    if (!flat) return std::unexpected(flat.error());
    std::span<const PlanUnit> units = flat->units;
    std::size_t q = units.size();
    // No character takes more than two units, so this input needs at least q / 2 characters: too many is
    // refused here, before the cost table (12 bytes a unit) is built for it.
    if (auto fits = module_count((std::uint64_t{q} + 1) / 2); !fits) return std::unexpected(fits.error());

    // Backward pass. A change costs one character, and changing twice is never cheaper than changing once.
    std::vector<CostRow> rows(q + 1, CostRow{{NO_ROUTE, NO_ROUTE, NO_ROUTE}});
    rows[q] = CostRow{{0, 0, 0}};
    for (std::size_t i = q; i-- > 0;) {
        CostRow own = own_costs(units, rows, i);
        rows[i] =
            CostRow{{std::min(own[A], 1 + std::min(own[B], own[C])), std::min(own[B], 1 + std::min(own[A], own[C])),
                     std::min(own[C], 1 + std::min(own[A], own[B]))}};
    }

    // On ties B beats A, and either beats C.
    const CostRow& first = rows[0];
    CodeSet set = flat->start.value_or(first[C] < std::min(first[A], first[B]) ? C : first[A] < first[B] ? A : B);

    if (auto fits = module_count(rows[0][set]); !fits) return std::unexpected(fits.error());

    // Every item lowers the remaining cost by exactly one, so rows[0][set] is the item count, and no item
    // takes more than two bytes.
    std::string text(2 + 2 * std::size_t{rows[0][set]}, '\0');
    char* out = put_two_bytes(text.data(), selectors[std::size_t(set)]);
    std::size_t i = 0;
    while (i < q) {
        CostRow own = own_costs(units, rows, i);
        // Staying wins every tie with a change of set.
        if (own[set] == rows[i][set]) {
            PlanUnit u = units[i];
            if (set == C && u != fnc1_unit) {
                *out++ = static_cast<char>(u);
                *out++ = static_cast<char>(units[i + 1]);
                i += 2;
            } else {
                if (u >= function_base)
                    out = put_two_bytes(out, functions[u - function_base - 1]);
                else if (u == 127)
                    out = put_two_bytes(out, del);
                else
                    *out++ = static_cast<char>(u);
                ++i;
            }
            continue;
        }
        // Changes are tried in the order A, B, C, although B beats A at the start.
        const auto next = change_to(rows[i], set);
        if (!next) return std::unexpected(TavloError::encoding("Code 128 planner found no encoding for the payload"));
        out = put_two_bytes(out, selectors[std::size_t(*next)]);
        set = *next;
    }
    // The plan took exactly the characters the costs promised, within the room set aside for them.
    TAVLO_ASSERT(std::size_t(out - text.data()) <= text.size());
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
}

}  // namespace tavlo::code128
