// The Code 128 planner: the fewest symbol characters using code-set changes only (never SHIFT), written as
// selector text for the table encoder.
#pragma once

#include <span>
#include <string>

#include "tavlo/error.hpp"
#include "tavlo/symbol.hpp"

namespace tavlo::code128 {

// The selector text of a shortest plan: the start set (the first StartA/B/C of the list wherever it stands,
// otherwise the cheapest, C only when strictly cheaper, then A only when strictly cheaper than B), then one
// character per symbol character. Boundaries between Data texts do not count. Fails with InvalidCharacter
// on the first non-ASCII character in list order.
Result<std::string> plan(std::span<const Code128Symbol> symbols);

}  // namespace tavlo::code128
