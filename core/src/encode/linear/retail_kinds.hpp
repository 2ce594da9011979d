// The table of kinds' entries for UPC-A, EAN-13, UPC-E and the book numbers: named text
// options in, geometry (add-on included) and printed line out.
#pragma once

#include <string_view>

#include "tavlo/kinds.hpp"

namespace tavlo {

// Every retail entry takes addon (2 or 5 digits) and addon_gap (7 to 12 modules, 9 when not named). The
// printed line is the main symbol's digits, check digit included, then the add-on's, then ">" with
// light_margin. The book numbers print their number above the symbol, ahead of a line break.

// light_margin ("true", "false").
Result<Encoded> encode_ean13_kind(std::string_view data, KindOptions options);
// from_upca ("true": the data is a UPC-A to write as UPC-E).
Result<Encoded> encode_upc_e_kind(std::string_view data, KindOptions options);
Result<Encoded> encode_upc_a_kind(std::string_view data, KindOptions options);
// light_margin.
Result<Encoded> encode_isbn_kind(std::string_view data, KindOptions options);
// variant (two digits, "00" when not named), light_margin.
Result<Encoded> encode_issn_kind(std::string_view data, KindOptions options);
// light_margin.
Result<Encoded> encode_ismn_kind(std::string_view data, KindOptions options);

inline constexpr std::string_view ean13_option_names[] = {"addon", "addon_gap", "light_margin"};
inline constexpr std::string_view upc_e_option_names[] = {"addon", "addon_gap", "from_upca"};
inline constexpr std::string_view upc_a_option_names[] = {"addon", "addon_gap"};
inline constexpr std::string_view book_option_names[] = {"addon", "addon_gap", "light_margin"};
inline constexpr std::string_view issn_option_names[] = {"addon", "addon_gap", "light_margin", "variant"};

}  // namespace tavlo
