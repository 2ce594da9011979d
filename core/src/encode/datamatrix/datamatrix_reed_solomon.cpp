#include "datamatrix_reed_solomon.hpp"

#include <algorithm>
#include <array>

namespace tavlo::datamatrix {

namespace {

struct GaloisField {
    std::array<std::uint8_t, 510> exp{};  // alpha^i, twice over so that a sum of two logarithms needs no modulo
    std::array<std::uint8_t, 256> log{};  // log[0] unused

    constexpr GaloisField() {
        int value = 1;
        for (int i = 0; i < 255; ++i) {
            exp[i] = exp[i + 255] = static_cast<std::uint8_t>(value);
            log[value] = static_cast<std::uint8_t>(i);
            value <<= 1;
            if (value & 0x100) value ^= 301;
        }
    }

    constexpr std::uint8_t multiply(std::uint8_t a, std::uint8_t b) const {
        if (a == 0 || b == 0) return 0;
        return exp[log[a] + log[b]];
    }
};

constexpr GaloisField field;

// Logarithms of the coefficients of the monic generator of degree n, highest first, without the leading 1.
// Every coefficient is non-zero: the generator is a product of distinct (x + alpha^i).
std::vector<std::uint8_t> generator_logs(int n) {
    std::vector<std::uint8_t> poly(n + 1, 0);  // lowest first
    poly[0] = 1;
    for (int root = 1; root <= n; ++root) {
        const std::uint8_t alpha = field.exp[root];
        // Multiply by (x + alpha^root), highest coefficient first so each term is read before it is replaced.
        for (int i = root; i > 0; --i) poly[i] = poly[i - 1] ^ field.multiply(poly[i], alpha);
        poly[0] = field.multiply(poly[0], alpha);
    }
    std::vector<std::uint8_t> logs(n);
    for (int k = 0; k < n; ++k) logs[k] = field.log[poly[n - 1 - k]];
    return logs;
}

}  // namespace

void append_error_correction(std::vector<std::uint8_t>& codewords, const SymbolSize& size) {
    const int data = size.data_codewords;
    const int blocks = size.blocks;
    const int n = size.block_ecc;
    const std::vector<std::uint8_t> logs = generator_logs(n);
    codewords.resize(size.total_codewords(), 0);
    std::vector<std::uint8_t> remainder(n + 1);
    for (int block = 0; block < blocks; ++block) {
        std::fill(remainder.begin(), remainder.end(), 0);
        // Division by the generator, one data codeword at a time; remainder[n] stays 0 and feeds the shift.
        for (int i = block; i < data; i += blocks) {
            const std::uint8_t factor = codewords[i] ^ remainder[0];
            if (factor == 0) {
                std::copy(remainder.begin() + 1, remainder.end(), remainder.begin());
                continue;
            }
            const int log_factor = field.log[factor];
            for (int k = 0; k < n; ++k) remainder[k] = remainder[k + 1] ^ field.exp[log_factor + logs[k]];
        }
        for (int k = 0; k < n; ++k) codewords[data + k * blocks + block] = remainder[k];
    }
}

}  // namespace tavlo::datamatrix
