#include "qr_blocks.hpp"

#include <array>
#include <mutex>
#include <optional>

#include "../../assert.hpp"

namespace tavlo::qr {
namespace {

// ISO/IEC 18004 Table 9, versions 1 to 40, by level L, M, Q, H: error-correction codewords per block and
// block count.
constexpr std::uint8_t ecc_per_block[4][40] = {
    {7,  10, 15, 20, 26, 18, 20, 24, 30, 18, 20, 24, 26, 30, 22, 24, 28, 30, 28, 28,
     28, 28, 30, 30, 26, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {10, 16, 26, 18, 24, 16, 18, 22, 22, 26, 30, 22, 22, 24, 24, 28, 28, 26, 26, 26,
     26, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28},
    {13, 22, 18, 26, 18, 24, 18, 22, 20, 24, 28, 26, 24, 20, 30, 24, 28, 28, 26, 30,
     28, 30, 30, 30, 30, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {17, 28, 22, 16, 22, 28, 26, 26, 24, 28, 24, 28, 22, 24, 24, 30, 28, 28, 26, 28,
     30, 24, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
};
constexpr std::uint8_t block_count[4][40] = {
    {1,  1,  1,  1,  1,  2,  2,  2,  2,  4,  4,  4,  4,  4,  6,  6,  6,  6,  7,  8,
     8,  9,  9,  10, 12, 12, 12, 13, 14, 15, 16, 17, 18, 19, 19, 20, 21, 22, 24, 25},
    {1,  1,  1,  2,  2,  4,  4,  4,  5,  5,  5,  8,  9,  9,  10, 10, 11, 13, 14, 16,
     17, 17, 18, 20, 21, 23, 25, 26, 28, 29, 31, 33, 35, 37, 38, 40, 43, 45, 47, 49},
    {1,  1,  2,  2,  4,  4,  6,  6,  8,  8,  8,  10, 12, 16, 12, 17, 16, 18, 21, 20,
     23, 23, 25, 27, 29, 34, 34, 35, 38, 40, 43, 45, 48, 51, 53, 56, 59, 62, 65, 68},
    {1,  1,  2,  4,  4,  4,  5,  6,  8,  8,  11, 11, 16, 16, 18, 16, 19, 21, 25, 25,
     25, 34, 30, 32, 35, 37, 40, 42, 45, 48, 51, 54, 57, 60, 63, 66, 70, 74, 77, 81},
};

// Modules left for codewords once the function patterns and format and version information are drawn,
// divided into whole codewords (the remainder bits stay light): 26 for version 1 up to 3706 for version 40.
constexpr std::size_t total_codewords(int version) {
    std::size_t modules = std::size_t(16 * version + 128) * version + 64;
    if (version >= 2) {
        const std::size_t alignment = version / 7 + 2;  // alignment positions per axis
        modules -= (25 * alignment - 10) * alignment - 55;
        if (version >= 7) modules -= 36;  // the two version information blocks
    }
    return modules / 8;
}

// GF(2^8) with the QR Code field polynomial x^8 + x^4 + x^3 + x^2 + 1; generator roots alpha^0 upwards.
constexpr reed_solomon::Field field{0x11D};
constexpr unsigned first_root = 0;

}  // namespace

BlockLayout qr_layout(int version, QrLevel level) {
    const unsigned l = unsigned(level);
    return {total_codewords(version), block_count[l][version - 1], ecc_per_block[l][version - 1]};
}

std::size_t data_capacity(int version) { return qr_layout(version, QrLevel::M).data(); }

std::vector<std::uint8_t> add_error_correction(std::span<const std::uint8_t> data, int version) {
    return add_error_correction(data, qr_layout(version, QrLevel::M));
}

const reed_solomon::Encoder& block_code(std::size_t ecc) {
    static std::array<std::once_flag, reed_solomon::max_degree> made;
    static std::array<std::optional<reed_solomon::Encoder>, reed_solomon::max_degree> encoders;
    TAVLO_ASSERT(ecc >= 1 && ecc <= reed_solomon::max_degree);
    std::call_once(made[ecc - 1], [&] { encoders[ecc - 1].emplace(field, ecc, first_root); });
    return *encoders[ecc - 1];
}

std::vector<std::uint8_t> add_error_correction(std::span<const std::uint8_t> data, const BlockLayout& layout) {
    const std::size_t total = layout.total;
    const std::size_t blocks = layout.blocks;
    const std::size_t ecc = layout.ecc_per_block;
    // The first blocks are one data codeword shorter than the rest when the codewords do not divide evenly.
    const std::size_t short_blocks = blocks - total % blocks;
    const std::size_t short_data = total / blocks - ecc;

    TAVLO_ASSERT(data.size() == layout.data());
    const reed_solomon::Encoder& code = block_code(ecc);

    std::vector<std::uint8_t> out(total);
    std::size_t begin = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t length = short_data + (b >= short_blocks);
        const auto block = data.subspan(begin, length);
        // Check codeword i of block b goes to data.size() + i * blocks + b.
        code.remainder(block.data(), block.size(), 1, &out[data.size() + b], blocks);
        // Codeword i of every block comes before codeword i + 1 of any; only long blocks have i = short_data.
        for (std::size_t i = 0; i < short_data; ++i) out[i * blocks + b] = block[i];
        if (length > short_data) out[short_data * blocks + (b - short_blocks)] = block[short_data];
        begin += length;
    }
    return out;
}

}  // namespace tavlo::qr
