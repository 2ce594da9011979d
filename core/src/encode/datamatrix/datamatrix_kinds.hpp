// Data Matrix and GS1 Data Matrix as the table of kinds calls them.
#pragma once

#include "tavlo/kinds.hpp"

namespace tavlo {

// Bytes; the option shape is "any", "square" or "rectangular" ("rect", "rectangle").
Result<Encoded> encode_datamatrix_kind(std::string_view data, KindOptions options);
// A parenthesized GS1 element string, printed one element per line when the label asks for text.
Result<Encoded> encode_gs1_datamatrix_kind(std::string_view data, KindOptions options);

}  // namespace tavlo
