// QR Code error correction: codeword counts, Reed-Solomon blocks and their interleaving. rMQR shares the
// block structure and the interleaving with its own counts.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "../shared/reed_solomon.hpp"
#include "tavlo/encode_qr_family.hpp"

namespace tavlo::qr {

// How a symbol's codewords split into error-correction blocks: the first blocks are one data codeword shorter
// than the rest when the data codewords do not divide evenly.
struct BlockLayout {
    std::size_t total;          // codewords in the symbol
    std::size_t blocks;         // at least 1
    std::size_t ecc_per_block;  // check codewords in every block

    std::size_t data() const { return total - blocks * ecc_per_block; }
};

// QR Code version, in [1, 40], at level: ISO/IEC 18004 Table 9.
BlockLayout qr_layout(int version, QrLevel level);

// Data codewords of version, in [1, 40], at level M: 16 for version 1 up to 2334 for version 40.
std::size_t data_capacity(int version);

// The family's Reed-Solomon code of `ecc` check codewords a block, ecc in [1, reed_solomon::max_degree]
// (QR Code, Micro QR and rMQR share the field and the first root), its generator worked out once: working it
// out for each symbol was a twentieth of a GS1 QR Code's encoding.
const reed_solomon::Encoder& block_code(std::size_t ecc);

// The final codeword sequence: layout.data() data codewords split into blocks, each given its Reed-Solomon
// codewords, then interleaved block by block.
std::vector<std::uint8_t> add_error_correction(std::span<const std::uint8_t> data, const BlockLayout& layout);

// The same for QR Code version at level M.
std::vector<std::uint8_t> add_error_correction(std::span<const std::uint8_t> data, int version);

}  // namespace tavlo::qr
