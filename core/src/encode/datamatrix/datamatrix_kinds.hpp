// Data Matrix and GS1 Data Matrix as the table of kinds calls them.
#pragma once

#include "tavlo/kinds.hpp"

namespace tavlo {

// Bytes. Options: shape "square" (the default), "rectangle" ("rect", "rectangular": the rectangles of ISO/IEC
// 16022) or "any"; dmre (true: the DMRE rectangles as well, rectangles by default); size "32x32" (that size
// only); eci (0 to 999999); structured_append "index,count,file_id".
Result<Encoded> encode_datamatrix_kind(std::string_view data, KindOptions options);
// A parenthesized GS1 element string, printed one element per line when the label asks for text; the options
// shape, dmre and size as Data Matrix has them.
Result<Encoded> encode_gs1_datamatrix_kind(std::string_view data, KindOptions options);

}  // namespace tavlo
