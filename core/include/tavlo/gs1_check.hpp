// GS1 check digits: the keys whose last digit checks the others (SSCC, GTIN, GLN, GSRN).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "tavlo/error.hpp"
#include "tavlo/symbol.hpp"

namespace tavlo::gs1 {

// The GS1 modulo-10 check digit of `digits` (ASCII digits): weights 3, 1, 3, … from the rightmost digit.
int check_digit(std::string_view digits);

// Every element whose AI carries a check digit (00, 01, 02, 410 to 417, 8017, 8018) holds exactly its
// key's number of digits and ends in the right check digit; otherwise InvalidGs1 naming the AI.
Result<void> validate_check_digits(std::span<const AiField> fields);

// The element string with the missing check digit appended to every key written one digit short, for
// callers who ask for it to be computed. Anything else, malformed parts included, is left as written for
// parse to judge.
std::string with_check_digits(std::string_view text);

// The element string as printed under a symbol: "(01) 09501101530003 (17) 250101".
std::string human_readable(std::span<const AiField> fields);

}  // namespace tavlo::gs1
