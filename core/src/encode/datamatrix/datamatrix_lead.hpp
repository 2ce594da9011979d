// The codewords a Data Matrix carries before its data: structured append (ISO/IEC 16022 5.6.2), FNC1 for GS1,
// then an ECI designator (5.4.1).
#pragma once

#include <cstdint>
#include <vector>

#include "tavlo/datamatrix.hpp"

namespace tavlo::datamatrix {

// Refuses a structured append or an ECI out of range, and either with GS1, with a message naming the option.
Result<std::vector<std::uint8_t>> lead_codewords(const DataMatrixOptions& options);

}  // namespace tavlo::datamatrix
