#include "qr_blocks.hpp"

#include "../../assert.hpp"
#include "../shared/reed_solomon.hpp"

namespace tavlo::qr {
namespace {

// ISO/IEC 18004 Table 9, level M, versions 1 to 40: error-correction codewords per block and block count.
constexpr std::uint8_t ecc_per_block[40] = {10, 16, 26, 18, 24, 16, 18, 22, 22, 26, 30, 22, 22, 24,
                                            24, 28, 28, 26, 26, 26, 26, 28, 28, 28, 28, 28, 28, 28,
                                            28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28};
constexpr std::uint8_t block_count[40] = {1,  1,  1,  2,  2,  4,  4,  4,  5,  5,  5,  8,  9,  9,
                                          10, 10, 11, 13, 14, 16, 17, 17, 18, 20, 21, 23, 25, 26,
                                          28, 29, 31, 33, 35, 37, 38, 40, 43, 45, 47, 49};

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

std::size_t data_capacity(int version) {
    return total_codewords(version) - std::size_t(ecc_per_block[version - 1]) * block_count[version - 1];
}

std::vector<std::uint8_t> add_error_correction(std::span<const std::uint8_t> data, int version) {
    const std::size_t total = total_codewords(version);
    const std::size_t blocks = block_count[version - 1];
    const std::size_t ecc = ecc_per_block[version - 1];
    // The first blocks are one data codeword shorter than the rest when the codewords do not divide evenly.
    const std::size_t short_blocks = blocks - total % blocks;
    const std::size_t short_data = total / blocks - ecc;

    TAVLO_ASSERT(data.size() == data_capacity(version));
    const reed_solomon::Encoder code(field, ecc, first_root);

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
