// The table of kinds' entries for Code 93 and Codabar: named text options in, geometry and printed line out.
#pragma once

#include <string_view>

#include "tavlo/kinds.hpp"

namespace tavlo {

// No options; prints the data without the check characters.
Result<Encoded> encode_code93_kind(std::string_view data, KindOptions options);

// Options start, stop ("A" to "D"), check_digit ("true", "false") and ratio ("2:1", "3:1", "2", "3"); prints
// start, data and stop without the check character.
Result<Encoded> encode_codabar_kind(std::string_view data, KindOptions options);

inline constexpr std::string_view codabar_option_names[] = {"start", "stop", "check_digit", "ratio"};

}  // namespace tavlo
