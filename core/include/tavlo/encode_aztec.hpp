// Aztec Code (ISO/IEC 24778): compact symbols of 1 to 4 layers, full-range symbols of 1 to 32, and the
// 11x11 Aztec Runes. The mid-level entry points: bytes and typed options in, the symbol's modules out.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo {

struct AztecOptions {
    // 0: the smallest symbol that holds the data. 1 to 32: a full-range symbol of that many layers; -1 to -4:
    // a compact symbol of 1 to 4 layers (the sign marks compact, as other Aztec encoders write it).
    int layers = 0;
    // The least share of the symbol's codewords given to error correction, in percent (5 to 95), rounded
    // down, plus 3 codewords. None: 23 %, the standard's recommendation, when the size is chosen; with fixed
    // layers every codeword the data leaves over, at least 3.
    std::optional<int> error_correction;
    // Extended Channel Interpretation, 0 to 999999, written first as FLG(n); none writes no ECI.
    std::optional<std::uint32_t> eci;
    // Structured append: this symbol's position (1-based) among `count` symbols, 2 to 26, and an optional
    // message id of printable ASCII other than space, shared by all symbols of the message.
    struct StructuredAppend {
        int index = 0;
        int count = 0;
        std::string id;
    };
    std::optional<StructuredAppend> structured_append;
};

// Aztec Code of the bytes; refuses data longer than the largest symbol (or the fixed layers) holds.
Result<MatrixGeometry> encode_aztec(std::span<const std::uint8_t> data, const AztecOptions& options);

// The Aztec Rune of `value` (0 to 255): the compact bullseye and its mode message, 11x11.
Result<MatrixGeometry> encode_aztec_rune(int value);

}  // namespace tavlo
