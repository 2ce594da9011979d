#include "micro_qr_symbol.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "qr_placement.hpp"

namespace tavlo::micro_qr {
namespace {

// Format information: the symbol number (3 bits) and mask (2 bits), BCH(15,5) with generator 0x537, XORed
// with 0x4445 (ISO/IEC 18004 7.9.2).
constexpr std::uint16_t format_word(unsigned symbol_number, unsigned mask) {
    const unsigned data = symbol_number << 2 | mask;
    unsigned remainder = data;
    for (int i = 0; i < 10; ++i) remainder = (remainder << 1) ^ ((remainder >> 9) * 0x537);
    return std::uint16_t(((data << 10) | remainder) ^ 0x4445);
}

// ISO/IEC 18004 Table 10, the four patterns Micro QR uses (QR Code's references 1, 4, 6 and 7), row i, column j.
constexpr bool inverts(unsigned mask, unsigned i, unsigned j) {
    switch (mask) {
    case 0: return i % 2 == 0;
    case 1: return (i / 2 + j / 3) % 2 == 0;
    case 2: return (i * j % 2 + i * j % 3) % 2 == 0;
    default: return ((i + j) % 2 + i * j % 3) % 2 == 0;
    }
}

constexpr unsigned mask_count = 4;

qr::Grid function_patterns(unsigned n) {
    qr::Grid grid(n, n);
    // Finder with its separator on the right and below (rings 2 and 4 light).
    for (unsigned r = 0; r < 8; ++r)
        for (unsigned c = 0; c < 8; ++c) {
            const unsigned ring = unsigned(std::max(std::abs(int(r) - 3), std::abs(int(c) - 3)));
            grid.set_function(r, c, ring != 2 && ring != 4);
        }
    // Timing along row 0 and column 0, dark on even positions.
    for (unsigned i = 8; i < n; ++i) {
        grid.set_function(0, i, i % 2 == 0);
        grid.set_function(i, 0, i % 2 == 0);
    }
    // Format information: row 8, columns 1-8, and column 8, rows 1-7; drawn once the mask is chosen.
    for (unsigned i = 1; i <= 8; ++i) {
        grid.set_function(8, i, false);
        grid.set_function(i, 8, false);
    }
    return grid;
}

}  // namespace

unsigned edge_score(unsigned size, std::span<const std::uint8_t> modules) {
    unsigned right = 0, bottom = 0;
    for (unsigned i = 1; i < size; ++i) {
        right += modules[i * size + size - 1];
        bottom += modules[(size - 1) * size + i];
    }
    return right <= bottom ? right * 16 + bottom : bottom * 16 + right;
}

namespace {

// What every symbol of a version shares, worked out once: the function patterns, the placement order, and each
// mask as a module XOR (1 on the non-function modules it inverts).
struct VersionTemplate {
    std::vector<std::uint8_t> modules;
    std::vector<qr::ModuleIndex> data_cells;
    std::array<std::vector<std::uint8_t>, mask_count> masks;

    explicit VersionTemplate(unsigned n) {
        const qr::Grid grid = function_patterns(n);
        modules = grid.modules;
        data_cells = qr::zigzag_cells(grid, n - 1);
        for (unsigned mask = 0; mask < mask_count; ++mask) {
            masks[mask].resize(modules.size());
            for (unsigned i = 0; i < n; ++i)
                for (unsigned j = 0; j < n; ++j) masks[mask][i * n + j] = !grid.function[i * n + j] && inverts(mask, i, j);
        }
    }
};

// The score of edge_score with `mask` applied, read from the edge modules alone.
unsigned masked_edge_score(unsigned n, std::span<const std::uint8_t> modules, std::span<const std::uint8_t> mask) {
    unsigned right = 0, bottom = 0;
    for (unsigned i = 1; i < n; ++i) {
        right += modules[i * n + n - 1] ^ mask[i * n + n - 1];
        bottom += modules[(n - 1) * n + i] ^ mask[(n - 1) * n + i];
    }
    return right <= bottom ? right * 16 + bottom : bottom * 16 + right;
}

}  // namespace

MatrixGeometry draw_symbol(int version, std::span<const std::uint8_t> bits, std::size_t bit_count,
                           unsigned symbol_number, std::optional<unsigned> only_mask) {
    const unsigned n = 9 + 2 * unsigned(version);
    static const std::array<VersionTemplate, 4> templates = {VersionTemplate(11), VersionTemplate(13),
                                                             VersionTemplate(15), VersionTemplate(17)};
    const VersionTemplate& shared = templates[unsigned(version) - 1];
    std::vector<std::uint8_t> best = shared.modules;
    qr::place_bits(best, shared.data_cells, bits, bit_count);

    // Masks are compared by their edge modules alone; only the chosen one is applied to the whole symbol.
    unsigned best_mask = only_mask.value_or(0), best_score = masked_edge_score(n, best, shared.masks[best_mask]);
    for (unsigned mask = best_mask + 1; !only_mask && mask < mask_count; ++mask) {
        // The first of the highest score: later masks replace it only when strictly better.
        const unsigned score = masked_edge_score(n, best, shared.masks[mask]);
        if (score > best_score) best_score = score, best_mask = mask;
    }
    for (std::size_t k = 0; k < best.size(); ++k) best[k] ^= shared.masks[best_mask][k];
    // Bit 14 at row 8, column 1, rightward to bit 7 at column 8, then up column 8 to bit 0 at row 1.
    const std::uint16_t word = format_word(symbol_number, best_mask);
    for (unsigned k = 0; k < 15; ++k) {
        const unsigned bit = 14 - k;
        const std::size_t at = k < 8 ? 8 * n + 1 + k : (15 - k) * n + 8;
        best[at] = (word >> bit) & 1;
    }
    return MatrixGeometry{n, n, std::move(best)};
}

}  // namespace tavlo::micro_qr
