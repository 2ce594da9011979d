// Reed-Solomon of both matrix families against the standards' worked examples, and the defining property of
// every block of every size: the codeword polynomial vanishes at each root of the family's generator.
#include <cstdint>
#include <string>
#include <vector>

#include "check.hpp"
#include "encode/datamatrix/datamatrix_reed_solomon.hpp"
#include "encode/datamatrix/datamatrix_sizes.hpp"
#include "encode/qr/qr_blocks.hpp"
#include "encode/shared/reed_solomon.hpp"
#include "vectors.hpp"

using namespace tavlo;

namespace {

using Bytes = std::vector<std::uint8_t>;

// ISO/IEC 18004 Annex I: "01234567" as version 1-M.
void qr_worked_example() {
    const Bytes data = {0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11};
    const Bytes check = {0xA5, 0x24, 0xD4, 0xC1, 0xED, 0x36, 0xC7, 0x87, 0x2C, 0x55};
    Bytes expected = data;
    expected.insert(expected.end(), check.begin(), check.end());
    CHECK(qr::add_error_correction(data, 1) == expected);
}

// ISO/IEC 16022 worked example: "123456" in a 10x10 symbol.
void datamatrix_worked_example() {
    Bytes codewords = {142, 164, 186};
    datamatrix::append_error_correction(codewords, datamatrix::symbol_sizes[0]);
    CHECK((codewords == Bytes{142, 164, 186, 114, 25, 5, 88, 102}));
}

// The value at x = alpha^power of the polynomial whose coefficients (highest power first) are the block.
std::uint8_t evaluate(const reed_solomon::Field& field, const Bytes& block, unsigned power) {
    std::uint8_t value = 0;
    const std::uint8_t x = field.exp[power % 255];
    for (std::uint8_t c : block) value = std::uint8_t(field.multiply(value, x) ^ c);
    return value;
}

bool vanishes(const reed_solomon::Field& field, const Bytes& block, unsigned first_root, std::size_t degree) {
    for (std::size_t k = 0; k < degree; ++k)
        if (evaluate(field, block, first_root + unsigned(k)) != 0) return false;
    return true;
}

// A fixed pseudo-random message, so that a failure repeats.
Bytes message(std::size_t length, std::uint32_t seed) {
    Bytes out(length);
    for (auto& b : out) {
        seed = seed * 1664525u + 1013904223u;
        b = std::uint8_t(seed >> 24);
    }
    return out;
}

// Data codeword i of block b at i * blocks + b, check codeword k at data + k * blocks + b.
void datamatrix_blocks() {
    const reed_solomon::Field field(301);
    for (const auto& size : datamatrix::symbol_sizes) {
        Bytes codewords = message(size.data_codewords, size.rows * 1000u + size.columns);
        datamatrix::append_error_correction(codewords, size);
        for (std::size_t b = 0; b < size.blocks; ++b) {
            Bytes block;
            for (std::size_t i = b; i < size.data_codewords; i += size.blocks) block.push_back(codewords[i]);
            for (std::size_t k = 0; k < size.block_ecc; ++k)
                block.push_back(codewords[size.data_codewords + k * size.blocks + b]);
            CHECK_CASE(vanishes(field, block, 1, size.block_ecc),
                       std::to_string(size.rows) + "x" + std::to_string(size.columns) + " block " + std::to_string(b));
        }
    }
}

// ISO/IEC 18004 7.6: codeword i of every block in turn, the shorter blocks first and lacking the last data
// codeword; then check codeword k of every block. Block counts at level M from ISO/IEC 18004 Table 9.
void qr_blocks() {
    constexpr std::size_t block_counts[40] = {1,  1,  1,  2,  2,  4,  4,  4,  5,  5,  5,  8,  9,  9,
                                              10, 10, 11, 13, 14, 16, 17, 17, 18, 20, 21, 23, 25, 26,
                                              28, 29, 31, 33, 35, 37, 38, 40, 43, 45, 47, 49};
    const reed_solomon::Field field(0x11D);
    for (int version = 1; version <= 40; ++version) {
        const std::size_t data = qr::data_capacity(version);
        const Bytes all = qr::add_error_correction(message(data, unsigned(version)), version);
        const std::size_t blocks = block_counts[version - 1];
        const std::size_t ecc = (all.size() - data) / blocks;
        const std::size_t short_data = data / blocks, long_blocks = data % blocks;
        for (std::size_t b = 0; b < blocks; ++b) {
            const bool is_long = b >= blocks - long_blocks;
            Bytes block;
            for (std::size_t i = 0; i < short_data; ++i) block.push_back(all[i * blocks + b]);
            if (is_long) block.push_back(all[short_data * blocks + b - (blocks - long_blocks)]);
            for (std::size_t k = 0; k < ecc; ++k) block.push_back(all[data + k * blocks + b]);
            CHECK_CASE(vanishes(field, block, 0, ecc),
                       "version " + std::to_string(version) + " block " + std::to_string(b));
        }
    }
}

}  // namespace

int main() {
    qr_worked_example();
    datamatrix_worked_example();
    datamatrix_blocks();
    qr_blocks();
    return test::failures();
}
