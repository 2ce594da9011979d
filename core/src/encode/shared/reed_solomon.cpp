#include "reed_solomon.hpp"

#include <algorithm>

#include "../../assert.hpp"

namespace tavlo::reed_solomon {

Encoder::Encoder(const Field& field, std::size_t degree, unsigned first_root) : field_(field), degree_(degree) {
    TAVLO_ASSERT(degree >= 1 && degree <= max_degree);
    std::array<std::uint8_t, max_degree + 1> poly{};  // lowest power first
    poly[0] = 1;
    for (std::size_t k = 0; k < degree; ++k) {
        const std::uint8_t root = field.exp[(first_root + k) % 255];
        // Multiply by (x + root), highest coefficient first so each term is read before it is replaced.
        for (std::size_t i = k + 1; i > 0; --i) poly[i] = poly[i - 1] ^ field.multiply(poly[i], root);
        poly[0] = field.multiply(poly[0], root);
    }
    for (std::size_t k = 0; k < degree; ++k) generator_log_[k] = field.log[poly[degree - 1 - k]];
}

void Encoder::remainder(const std::uint8_t* message, std::size_t length, std::size_t stride, std::uint8_t* check,
                        std::size_t check_stride) const {
    std::array<std::uint8_t, max_degree + 1> r{};  // r[degree] stays 0 and shifts in as the new last term
    const std::size_t n = degree_;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t factor = message[i * stride] ^ r[0];
        if (factor == 0) {
            std::copy(r.begin() + 1, r.begin() + n + 1, r.begin());
            continue;
        }
        const unsigned log_factor = field_.log[factor];
        for (std::size_t k = 0; k < n; ++k) r[k] = r[k + 1] ^ field_.exp[log_factor + generator_log_[k]];
    }
    for (std::size_t k = 0; k < n; ++k) check[k * check_stride] = r[k];
}

}  // namespace tavlo::reed_solomon
