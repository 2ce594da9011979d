// Reed-Solomon over the small binary fields GF(2^m), m in [2, 12], with codewords of up to 12 bits: the
// field Aztec Code picks by layer count (GF(16) for the mode message, GF(64), GF(256), GF(1024), GF(4096)
// for the data), and long codes (up to 4095 codewords) that the byte-wide `reed_solomon.hpp` is not sized for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tavlo::reed_solomon {

// GF(2^m) from a primitive polynomial of degree m (its bit m set), generator element alpha = 2.
class GaloisField {
public:
    // polynomial: primitive, degree in [2, 12].
    explicit GaloisField(unsigned polynomial);

    unsigned polynomial() const { return polynomial_; }
    unsigned bits() const { return bits_; }
    unsigned order() const { return order_; }  // 2^m - 1, the number of non-zero elements

    std::uint16_t exp(unsigned power) const { return exp_[power]; }  // power in [0, 2 * order)
    unsigned log(std::uint16_t value) const { return log_[value]; }  // zero_log for 0

    // The logarithm given to 0: exp() of it plus any true logarithm is 0, so a product needs no branch.
    unsigned zero_log() const { return 2 * order_; }

private:
    unsigned polynomial_;
    unsigned bits_;
    unsigned order_;
    std::vector<std::uint16_t> exp_;  // alpha^i for i in [0, 2 * order), then 2 * order zeros
    std::vector<std::uint16_t> log_;
};

// The `check.size()` check codewords of `message` (highest power first): the remainder of
// message * x^degree divided by (x - alpha^first_root)...(x - alpha^(first_root + degree - 1)).
// Every codeword lies in the field; degree + message length at most the field's order.
void galois_remainder(const GaloisField& field, std::span<const std::uint16_t> message, unsigned first_root,
                      std::span<std::uint16_t> check);

}  // namespace tavlo::reed_solomon
