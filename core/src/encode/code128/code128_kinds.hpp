// Code 128 and GS1-128 as the table of kinds calls them.
#pragma once

#include "tavlo/kinds.hpp"

namespace tavlo {

// A text as one Data element; with the option elements=true the data is an element list written as records:
// "D<bytes>:<text>" for Data, "1" to "4" for FNC1 to FNC4, "A", "B", "C" for StartA to StartC.
Result<Encoded> encode_code128_kind(std::string_view data, KindOptions options);

// A parenthesized GS1 element string; compute_check_digits=true appends the check digit to keys written one
// digit short.
Result<Encoded> encode_gs1_128_kind(std::string_view data, KindOptions options);

}  // namespace tavlo
