// GS1 QR Code: a QR Code in GS1 mode (FNC1 in first position, ISO/IEC 18004 7.4.8.2), read with the
// symbology identifier ]Q3, from a bracketed element string.
#pragma once

#include <string_view>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"
#include "tavlo/kinds.hpp"

namespace tavlo {

// The element string is validated as gs1::parse_element_string does; its elements are written AI and value
// after value, with a GS after each one that does not end the data and whose AI has no predefined length.
Result<MatrixGeometry> encode_gs1_qr(std::string_view element_string);

// The "gs1-qr" kind: the symbol and its elements as printed, "(01) 09501101530003 (10) ABC", which TextStyle::Elements sets one to a line. No options.
Result<Encoded> encode_gs1_qr_kind(std::string_view data, KindOptions options);

}  // namespace tavlo
