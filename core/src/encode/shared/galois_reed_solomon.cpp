#include "galois_reed_solomon.hpp"

#include <algorithm>

#include "assert.hpp"

namespace tavlo::reed_solomon {

GaloisField::GaloisField(unsigned polynomial) {
    bits_ = 0;
    while ((polynomial >> (bits_ + 1)) != 0) ++bits_;
    TAVLO_ASSERT(bits_ >= 2 && bits_ <= 12);
    order_ = (1u << bits_) - 1;
    exp_.assign(4 * std::size_t(order_), 0);
    log_.assign(std::size_t(order_) + 1, std::uint16_t(zero_log()));
    unsigned value = 1;
    for (unsigned i = 0; i < order_; ++i) {
        exp_[i] = exp_[i + order_] = std::uint16_t(value);
        log_[value] = std::uint16_t(i);
        value <<= 1;
        if (value >> bits_) value ^= polynomial;
    }
    TAVLO_ASSERT(value == 1);  // primitive: alpha has order 2^m - 1
}

void galois_remainder(const GaloisField& field, std::span<const std::uint16_t> message, unsigned first_root,
                      std::span<std::uint16_t> check) {
    const std::size_t degree = check.size();
    TAVLO_ASSERT(degree >= 1 && message.size() + degree <= field.order());
    // The generator, lowest power first, built one factor (x + alpha^root) at a time.
    std::vector<std::uint16_t> poly(degree + 1, 0);
    poly[0] = 1;
    for (std::size_t k = 0; k < degree; ++k) {
        const unsigned root_log = (first_root + unsigned(k)) % field.order();
        for (std::size_t i = k + 1; i > 0; --i)
            poly[i] = std::uint16_t(poly[i - 1] ^ field.exp(field.log(poly[i]) + root_log));
        poly[0] = field.exp(field.log(poly[0]) + root_log);
    }
    // Logarithms of the coefficients below the leading 1, highest power first; a zero coefficient gets
    // zero_log, whose products read as 0.
    std::vector<std::uint16_t> generator_log(degree);
    for (std::size_t k = 0; k < degree; ++k) generator_log[k] = std::uint16_t(field.log(poly[degree - 1 - k]));

    std::vector<std::uint16_t> r(degree + 1, 0);  // r[degree] stays 0 and shifts in as the new last term
    for (const std::uint16_t codeword : message) {
        const std::uint16_t factor = codeword ^ r[0];
        if (factor == 0) {
            std::copy(r.begin() + 1, r.end(), r.begin());
            continue;
        }
        const unsigned log_factor = field.log(factor);
        for (std::size_t k = 0; k < degree; ++k)
            r[k] = std::uint16_t(r[k + 1] ^ field.exp(log_factor + generator_log[k]));
    }
    std::copy(r.begin(), r.begin() + std::ptrdiff_t(degree), check.begin());
}

}  // namespace tavlo::reed_solomon
