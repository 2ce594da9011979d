// QR Code error correction at level M: codeword counts, Reed-Solomon blocks and their interleaving.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tavlo::qr {

// Data codewords of version, in [1, 40], at level M: 16 for version 1 up to 2334 for version 40.
std::size_t data_capacity(int version);

// The final codeword sequence of version: data_capacity(version) data codewords split into blocks, each
// given its Reed-Solomon codewords, then interleaved block by block.
std::vector<std::uint8_t> add_error_correction(std::span<const std::uint8_t> data, int version);

}  // namespace tavlo::qr
