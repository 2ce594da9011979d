// Aztec symbol sizes (ISO/IEC 24778 Table 1): compact symbols of 1 to 4 layers, full-range of 1 to 32.
#pragma once

#include <cstdint>

namespace tavlo::aztec {

inline constexpr int max_compact_layers = 4;
inline constexpr int max_full_layers = 32;
// The mode message counts data codewords in 6 bits (compact) or 11 bits (full range).
inline constexpr unsigned max_compact_data_codewords = 64;
inline constexpr unsigned max_full_data_codewords = 2048;
inline constexpr unsigned min_check_codewords = 3;

struct SymbolSize {
    bool compact;
    int layers;  // [1, 4] compact, [1, 32] full range

    // Modules per side: 11 + 4 * layers (compact); 15 + 4 * layers plus a reference grid line every 16
    // modules out from the centre (full range).
    std::uint32_t side() const {
        if (compact) return std::uint32_t(11 + 4 * layers);
        const std::uint32_t base = std::uint32_t(14 + 4 * layers);
        return base + 1 + 2 * ((base / 2 - 1) / 15);
    }
    // Without the grid: the side the layer placement counts in.
    std::uint32_t base_side() const { return std::uint32_t((compact ? 11 : 14) + 4 * layers); }
    // Bits in all layers: each layer is a ring two modules wide.
    unsigned layer_bits() const { return unsigned(((compact ? 88 : 112) + 16 * layers) * layers); }
    // Codeword width, and so the Galois field of the check codewords.
    unsigned word_size() const { return layers <= 2 ? 6 : layers <= 8 ? 8 : layers <= 22 ? 10 : 12; }
    unsigned codewords() const { return layer_bits() / word_size(); }
    unsigned max_data_codewords() const {
        return compact ? max_compact_data_codewords : max_full_data_codewords;
    }
};

}  // namespace tavlo::aztec
