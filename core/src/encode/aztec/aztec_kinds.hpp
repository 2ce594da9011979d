// Aztec Code and Aztec Runes as the table of kinds calls them.
#pragma once

#include "tavlo/kinds.hpp"

namespace tavlo {

// Bytes. Options: layers (1 to 32 full range, -1 to -4 compact), error_correction (percent, 5 to 95), eci
// (0 to 999999), structured_append_index and structured_append_count (both or neither), structured_append_id.
Result<Encoded> encode_aztec_kind(std::string_view data, KindOptions options);
// The rune's value as decimal digits, 0 to 255.
Result<Encoded> encode_aztec_rune_kind(std::string_view data, KindOptions options);

}  // namespace tavlo
