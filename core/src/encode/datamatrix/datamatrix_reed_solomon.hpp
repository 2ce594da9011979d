// Reed-Solomon error correction of ECC 200 (ISO/IEC 16022 5.7): GF(256) with the prime polynomial
// x^8 + x^5 + x^3 + x^2 + 1 (301), generator roots alpha^1 to alpha^n.
#pragma once

#include <cstdint>
#include <vector>

#include "datamatrix_sizes.hpp"

namespace tavlo::datamatrix {

// `codewords` holds exactly the size's data codewords; appends the error correction codewords of every block,
// interleaved as the symbol carries them (codeword k of block b at k * blocks + b).
void append_error_correction(std::vector<std::uint8_t>& codewords, const SymbolSize& size);

}  // namespace tavlo::datamatrix
