// The kinds Code 93 and Codabar as the table of kinds calls them: data text and named options in, bars and
// printed line out.
#pragma once

#include <string_view>

#include "tavlo/kinds.hpp"

namespace tavlo {

// No options; prints the data without the check characters.
Result<Encoded> encode_code93_kind(std::string_view data, KindOptions options);

// Options start and stop ("A" to "D"), check_digit ("true", "false") and ratio ("2:1", "3:1"); prints start,
// data and stop without the check character.
Result<Encoded> encode_codabar_kind(std::string_view data, KindOptions options);

}  // namespace tavlo
