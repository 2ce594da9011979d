// ECC 200 data encodation (ISO/IEC 16022 5.2): payload bytes in, data codewords of the smallest fitting size
// out, padded to its capacity.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "datamatrix_sizes.hpp"

namespace tavlo::datamatrix {

struct Encodation {
    std::vector<std::uint8_t> codewords;  // exactly size.data_codewords entries, pads included
    SymbolSize size;                      // the first size of the candidates whose capacity holds the data
};

// Plans the payload over the six encodation schemes for the fewest codewords under the end-of-data rules of
// each candidate size, trying `sizes` in order. With gs1 the stream starts with FNC1. Payloads framed as
// "[)>" RS "05"/"06" GS ... RS EOT are compacted to Macro 05/06. Empty when no candidate holds the data.
std::optional<Encodation> encode_data_codewords(std::span<const std::uint8_t> payload, bool gs1,
                                                std::span<const SymbolSize> sizes);
// The same after `lead`, codewords read in ASCII before the data (structured append, an ECI designator); after
// anything but FNC1 the payload is never compacted to Macro 05/06, whose codeword must come first.
// (A name of its own: an array of codewords would convert to the bool of the overload above.)
std::optional<Encodation> encode_data_codewords_after(std::span<const std::uint8_t> lead,
                                                      std::span<const std::uint8_t> payload,
                                                      std::span<const SymbolSize> sizes);

}  // namespace tavlo::datamatrix
