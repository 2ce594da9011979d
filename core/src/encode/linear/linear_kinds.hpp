// The kinds of the linear family as the table of kinds calls them: data text in, bars and printed line out.
#pragma once

#include "tavlo/kinds.hpp"

namespace tavlo {

Result<Encoded> encode_ean8_kind(std::string_view data, KindOptions options);
Result<Encoded> encode_upc_a_kind(std::string_view data, KindOptions options);
Result<Encoded> encode_code39_kind(std::string_view data, KindOptions options);
Result<Encoded> encode_itf_kind(std::string_view data, KindOptions options);
// ITF-14: 13 digits (the check digit is computed) or 14 (validated).
Result<Encoded> encode_itf14_kind(std::string_view data, KindOptions options);

}  // namespace tavlo
