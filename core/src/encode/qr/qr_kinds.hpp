// The QR family's rows in the table of kinds: each adapter reads the row's text options, refuses a bad value
// with a message naming the option, and calls the typed encoder of encode_qr_family.hpp.
#pragma once

#include <string_view>

#include "tavlo/kinds.hpp"

namespace tavlo {

// Options error_correction, version, mask, boost_error, eci, structured_append ("index,count,parity"). With
// none given, the fixed level-M encoder of encode.hpp: the binding's QR Code, pixel for pixel.
Result<Encoded> encode_qr_kind(std::string_view data, KindOptions options);

// Options error_correction (L, M, Q), version (M1 to M4, or 1 to 4), mask (0 to 3).
Result<Encoded> encode_micro_qr_kind(std::string_view data, KindOptions options);

// Options error_correction (M, H), height (7 to 17), size ("R13x77").
Result<Encoded> encode_rmqr_kind(std::string_view data, KindOptions options);

}  // namespace tavlo
