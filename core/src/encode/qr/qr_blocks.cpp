#include "qr_blocks.hpp"

#include <algorithm>
#include <array>

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

// GF(2^8) with the QR Code field polynomial x^8 + x^4 + x^3 + x^2 + 1.
struct Field {
    std::array<std::uint8_t, 510> exp{};  // doubled so that a sum of two logarithms needs no reduction
    std::array<std::uint8_t, 256> log{};
};

constexpr Field field = [] {
    Field f;
    unsigned x = 1;
    for (unsigned i = 0; i < 255; ++i) {
        f.exp[i] = f.exp[i + 255] = std::uint8_t(x);
        f.log[x] = std::uint8_t(i);
        x <<= 1;
        if (x & 0x100) x ^= 0x11D;
    }
    return f;
}();

constexpr std::uint8_t multiply(std::uint8_t a, std::uint8_t b) {
    return a == 0 || b == 0 ? 0 : field.exp[field.log[a] + field.log[b]];
}

constexpr std::size_t max_ecc = 30;

// The generator polynomial (x - a^0)(x - a^1)...(x - a^(degree-1)) without its leading 1, highest power first.
std::array<std::uint8_t, max_ecc> generator(std::size_t degree) {
    std::array<std::uint8_t, max_ecc> g{};
    g[degree - 1] = 1;
    std::uint8_t root = 1;
    for (std::size_t i = 0; i < degree; ++i) {
        for (std::size_t j = 0; j < degree; ++j) {
            g[j] = multiply(g[j], root);
            if (j + 1 < degree) g[j] ^= g[j + 1];
        }
        root = multiply(root, 2);
    }
    return g;
}

// The remainder of data * x^degree divided by the generator, whose coefficients come as logarithms.
void remainder(std::span<const std::uint8_t> data, std::span<const std::uint8_t> generator_log, std::uint8_t* out) {
    const std::size_t degree = generator_log.size();
    std::array<std::uint8_t, max_ecc + 1> r{};  // r[degree] stays 0 and shifts in as the new last term
    for (std::uint8_t byte : data) {
        const std::uint8_t factor = byte ^ r[0];
        for (std::size_t j = 0; j < degree; ++j) r[j] = r[j + 1];
        if (factor == 0) continue;
        const unsigned f = field.log[factor];
        for (std::size_t j = 0; j < degree; ++j) r[j] ^= field.exp[generator_log[j] + f];
    }
    std::copy_n(r.begin(), degree, out);
}

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

    const auto g = generator(ecc);
    std::array<std::uint8_t, max_ecc> generator_log{};
    // Every coefficient of these generators is nonzero, so each has a logarithm.
    for (std::size_t j = 0; j < ecc; ++j) generator_log[j] = field.log[g[j]];

    std::vector<std::uint8_t> out(total);
    std::vector<std::uint8_t> ecc_bytes(blocks * ecc);
    std::size_t begin = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t length = short_data + (b >= short_blocks);
        const auto block = data.subspan(begin, length);
        remainder(block, std::span(generator_log).first(ecc), &ecc_bytes[b * ecc]);
        // Codeword i of every block comes before codeword i + 1 of any; only long blocks have i = short_data.
        for (std::size_t i = 0; i < short_data; ++i) out[i * blocks + b] = block[i];
        if (length > short_data) out[short_data * blocks + (b - short_blocks)] = block[short_data];
        begin += length;
    }
    const std::size_t data_end = data.size();
    for (std::size_t i = 0; i < ecc; ++i)
        for (std::size_t b = 0; b < blocks; ++b) out[data_end + i * blocks + b] = ecc_bytes[b * ecc + i];
    return out;
}

}  // namespace tavlo::qr
