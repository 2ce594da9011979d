// GS1 check characters: the modulo-10 check digit of numeric keys and the check character pair of
// alphanumeric keys (GS1 General Specifications 7.9.1 and 7.9.5).
#pragma once

#include <string_view>

namespace tavlo::gs1 {

// `digits` ends in its modulo-10 check digit: weights 3, 1, 3, ... from the digit before it.
bool numeric_check_digit_ok(std::string_view digits);

// `value` (CSET 82 characters) ends in its check character pair.
bool check_character_pair_ok(std::string_view value);

}  // namespace tavlo::gs1
