// Reed-Solomon error correction over GF(256), the one both matrix families use. A family differs only in its
// field polynomial and in the first root of its generator; block splitting and interleaving stay with it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavlo::reed_solomon {

// GF(2^8) built from a primitive polynomial of degree 8 (its bit 8 set), generator element alpha = 2.
struct Field {
    std::array<std::uint8_t, 510> exp{};  // alpha^i, twice over so that a sum of two logarithms needs no modulo
    std::array<std::uint8_t, 256> log{};  // log[0] unused

    constexpr explicit Field(unsigned polynomial) {
        unsigned value = 1;
        for (unsigned i = 0; i < 255; ++i) {
            exp[i] = exp[i + 255] = std::uint8_t(value);
            log[value] = std::uint8_t(i);
            value <<= 1;
            if (value & 0x100) value ^= polynomial;
        }
    }

    constexpr std::uint8_t multiply(std::uint8_t a, std::uint8_t b) const {
        return a == 0 || b == 0 ? 0 : exp[log[a] + log[b]];
    }
};

// The longest generator either family needs (Data Matrix 144x144: 68 codewords per block).
inline constexpr std::size_t max_degree = 68;

// The code of one block length: the generator (x - alpha^first_root)...(x - alpha^(first_root + degree - 1)).
class Encoder {
public:
    // degree in [1, max_degree].
    Encoder(const Field& field, std::size_t degree, unsigned first_root);

    std::size_t degree() const { return degree_; }

    // The `degree` check codewords of a message of `length` codewords, message codeword k read at
    // message[k * stride] and check codeword k written at check[k * check_stride]: the remainder of
    // message * x^degree divided by the generator, highest power first.
    void remainder(const std::uint8_t* message, std::size_t length, std::size_t stride, std::uint8_t* check,
                   std::size_t check_stride) const;

private:
    const Field& field_;
    std::size_t degree_;
    // Logarithms of the generator's coefficients, highest power first, without the leading 1. Every one
    // exists: the generator is a product of distinct (x + alpha^i), so no coefficient is zero.
    std::array<std::uint8_t, max_degree> generator_log_{};
};

}  // namespace tavlo::reed_solomon
