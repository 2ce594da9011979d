#include "pdf417_reed_solomon.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "../../assert.hpp"

namespace tavlo::pdf417 {
namespace {

// The degrees either symbology uses: PDF417 levels 0 to 8 (2 to 512), and the MicroPDF417 sizes
// (ISO/IEC 24728, the table of symbol sizes).
constexpr std::array<std::uint16_t, 23> degrees = {2,  4,  8,  16, 32, 64, 128, 256, 512, 7,  9, 10,
                                                   11, 12, 13, 14, 15, 18, 21,  26,  38,  44, 50};

// Generator coefficients g_0 ... g_{k-1} of every degree above (the leading 1 left out), one after another.
struct Generators {
    std::array<std::int32_t, max_check_codewords + 1> offset{};  // -1: no generator of that degree
    std::vector<std::uint32_t> coefficients;

    Generators() {
        offset.fill(-1);
        for (std::uint32_t k : degrees) {
            if (offset[k] >= 0) continue;
            // (x - 3)(x - 3^2)...(x - 3^k), lowest power first; poly[k] = 1 is left out when stored.
            std::vector<std::uint32_t> poly(k + 1, 0);
            poly[0] = 1;
            std::uint32_t root = 1;
            for (std::uint32_t i = 1; i <= k; ++i) {
                root = root * 3 % field_prime;
                const std::uint32_t minus_root = field_prime - root;
                for (std::uint32_t j = i; j > 0; --j) poly[j] = (poly[j - 1] + poly[j] * minus_root) % field_prime;
                poly[0] = poly[0] * minus_root % field_prime;
            }
            offset[k] = std::int32_t(coefficients.size());
            coefficients.insert(coefficients.end(), poly.begin(), poly.end() - 1);
        }
    }
};

// The most codewords of a PDF417 symbol, check codewords included; MicroPDF417 has fewer.
constexpr std::size_t max_symbol_codewords = 928;

const Generators& generators() {
    static const Generators table;
    return table;
}

}  // namespace

void error_correction(std::span<const std::uint16_t> data, std::span<std::uint16_t> check) {
    const std::size_t k = check.size();
    const Generators& table = generators();
    TAVLO_ASSERT(k >= 1 && k <= max_check_codewords && table.offset[k] >= 0);
    const std::uint32_t* g = table.coefficients.data() + table.offset[k];

    // Long division in place, as a shift register laid along the message: work[i + 1 + m] gathers the
    // generator's coefficient of x^(k - 1 - m) times each feedback value, negated (so that only sums are
    // taken). The sums are left unreduced: a term is a sum of at most k products below 929^2, under
    // 512 * 929^2 < 2^32, so only the feedback value is reduced per codeword, and the inner loop, one
    // multiply-add a term along contiguous memory, is vectorised.
    const std::size_t n = data.size();
    // Coefficients and feedback values below 929 as 16-bit numbers: the products are then made 8 at a time
    // with 16-bit multiplies (SSE2 has none of 32 bits): 256,000 to 183,000 instructions for 1,000 characters
    // of text at the recommended level.
    std::array<std::uint16_t, max_check_codewords> reversed;
    for (std::size_t m = 0; m < k; ++m) reversed[m] = std::uint16_t(g[k - 1 - m]);
    // Data and check codewords together are at most the 928 of a symbol: on the stack, not allocated.
    TAVLO_ASSERT(n + k <= max_symbol_codewords);
    std::array<std::uint32_t, max_symbol_codewords> work;
    std::fill_n(work.begin(), n + k, 0u);
    for (std::size_t i = 0; i < n; ++i) {
        TAVLO_ASSERT(data[i] < field_prime);
        const std::uint32_t sum = data[i] + field_prime - work[i] % field_prime;  // in [1, 2 * 929 - 1]
        const auto t = std::uint16_t(sum >= field_prime ? sum - field_prime : sum);
        std::uint32_t* __restrict terms = work.data() + i + 1;
        for (std::size_t m = 0; m < k; ++m) terms[m] += std::uint32_t(t) * reversed[m];
    }
    for (std::size_t m = 0; m < k; ++m) check[m] = std::uint16_t(work[n + m] % field_prime);
}

}  // namespace tavlo::pdf417
