// GS1 element strings checked against the GS1 Barcode Syntax Dictionary: every AI's components (character
// set, fixed or variable length, optional parts), the dictionary's content checks (check digits, dates and
// times, country and currency codes, percent-encoding, ...) and the pairing rules (an AI that requires
// another, AIs that exclude each other, one value per AI). Failures are InvalidGs1 with a message naming
// the AI and the rule: "AI (17): month 13 is not a valid month".
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tavlo/error.hpp"
#include "tavlo/symbol.hpp"

namespace tavlo::gs1 {

// A bracketed element string, "(01)09501101530003(10)ABC", split into its elements and validated. A value
// runs to the next '('; "\(" stands for a '(' inside a value. With `allow_composite`, one '|' before a '('
// separates the linear part from a composite part (GS1 composite symbols) and is not part of any value.
Result<std::vector<AiField>> parse_element_string(std::string_view text, bool allow_composite = false);

// Every element's AI is allocated and its value fits the AI; the elements together keep the pairing rules.
Result<void> validate_elements(std::span<const AiField> elements);

// One element alone: the AI is allocated and the value fits it (no pairing rules).
Result<void> validate_element(std::string_view ai, std::string_view value);

// Whether a value of `ai` that is not the last must be ended by FNC1 (or GS): every AI but those of
// predefined length. An unknown AI needs one.
bool needs_separator(std::string_view ai);

// The elements as a bracketed element string, '(' inside values written "\(".
std::string to_element_string(std::span<const AiField> elements);

}  // namespace tavlo::gs1
