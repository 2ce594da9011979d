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

namespace tavlo::gs1 {

// A GS1 Digital Link URI, "https://id.gs1.org/01/09501101530003/10/ABC?17=250101", as its elements: the
// primary key and its qualifiers from the path (in the order the dictionary's dlpkey gives), then the data
// attributes of the query; non-numeric query parameters and a fragment are ignored. Refused: a path whose
// AIs are not a key followed by its qualifiers in order, a query AI that may not be a data attribute, an AI
// given twice, and anything validate_elements refuses.
Result<std::vector<AiField>> parse_digital_link(std::string_view uri);

// The GS1 Digital Link URI of validated elements on `domain` ("https://id.gs1.org", a path stem may
// follow): the first primary key and the qualifiers of its qualifier sequence in the path, every other
// element in the query if it may be a data attribute; values percent-encoded but for A-Z a-z 0-9 - . _ ~.
Result<std::string> digital_link_uri(std::span<const AiField> elements, std::string_view domain);

}  // namespace tavlo::gs1
