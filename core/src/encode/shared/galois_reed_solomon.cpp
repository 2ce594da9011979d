#include "galois_reed_solomon.hpp"

#include <algorithm>
#include <array>

#include "../../assert.hpp"

namespace tavlo::reed_solomon {
namespace {

// Multiplying the generator by a factor is linear over GF(2): the product is the XOR of the generator's
// multiples by the factor's parts in place. With the multiples of every value of each part tabled, a division
// step is one or two XORs of whole rows, which the compiler vectorises, instead of a table lookup per
// coefficient: 1,000 bytes in GF(4096) (700 data and 214 check codewords) take a quarter of the instructions.
// The parts: the whole factor up to 8 bits (at most 256 rows), else two halves of up to 6 bits (2 x 64 rows);
// halves rather than three nibbles take a third fewer XORs (1,000 bytes of Aztec text, GF(1024): 1.52M to
// 1.46M instructions) for tables of 128 rows instead of 48.
unsigned part_bits(const GaloisField& field) { return field.bits() <= 8 ? field.bits() : (field.bits() + 1) / 2; }

// The XOR of rows is most of the time of a large Aztec symbol; on x86-64 it is compiled twice, for AVX2 (16
// terms an instruction) and for the baseline SSE2 (8), and the loader picks by the processor: 1,000 bytes of
// text, 5.2 to 2.8 hundred thousand instructions.
#if defined(__x86_64__) && defined(__GNUC__) && defined(__ELF__)
#define TAVLO_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define TAVLO_WIDE_VECTORS
#endif

TAVLO_WIDE_VECTORS void xor_into(std::uint16_t* __restrict terms, const std::uint16_t* __restrict row, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) terms[k] ^= row[k];
}

// Row (place * 2^part_bits + v): (v * 2^(part_bits * place)) * g_k for k < degree, g_k the generator's coefficient of
// x^(degree - 1 - k) below its leading 1. The generator is (x - alpha^first_root)...(x - alpha^(first_root +
// degree - 1)); a symbol size repeats from call to call, so the last table built is kept, per thread.
const std::vector<std::uint16_t>& part_multiples(const GaloisField& field, std::size_t degree, unsigned first_root) {
    struct Cached {
        unsigned polynomial = 0;
        std::size_t degree = 0;
        unsigned first_root = 0;
        std::vector<std::uint16_t> multiples;
    };
    // A few tables: an Aztec symbol needs one for its data and one for its mode message.
    constexpr std::size_t cache_size = 4;
    thread_local std::array<Cached, cache_size> cache;
    thread_local std::size_t next = 0;
    for (const Cached& entry : cache)
        if (entry.polynomial == field.polynomial() && entry.degree == degree && entry.first_root == first_root)
            return entry.multiples;
    Cached& cached = cache[next];
    next = (next + 1) % cache_size;

    std::vector<std::uint16_t> poly(degree + 1, 0);  // lowest power first
    poly[0] = 1;
    for (std::size_t k = 0; k < degree; ++k) {
        const unsigned root_log = (first_root + unsigned(k)) % field.order();
        for (std::size_t i = k + 1; i > 0; --i)
            poly[i] = std::uint16_t(poly[i - 1] ^ field.exp(field.log(poly[i]) + root_log));
        poly[0] = field.exp(field.log(poly[0]) + root_log);
    }
    const unsigned width = part_bits(field), parts = (field.bits() + width - 1) / width, rows = 1u << width;
    cached.multiples.assign(std::size_t(parts) * rows * degree, 0);
    for (unsigned place = 0; place < parts; ++place)
        for (unsigned bit = 0; bit < width && place * width + bit < field.bits(); ++bit) {
            // Row of the single bit, then every value with that bit as its highest from the rows before.
            const std::size_t single = (std::size_t(place) * rows + (1u << bit)) * degree;
            for (std::size_t k = 0; k < degree; ++k)
                cached.multiples[single + k] = field.exp(field.log(poly[degree - 1 - k]) + place * width + bit);
            for (unsigned low = 1; low < (1u << bit); ++low) {
                const std::size_t row = (std::size_t(place) * rows + ((1u << bit) | low)) * degree;
                const std::size_t low_row = (std::size_t(place) * rows + low) * degree;
                for (std::size_t k = 0; k < degree; ++k)
                    cached.multiples[row + k] = cached.multiples[single + k] ^ cached.multiples[low_row + k];
            }
        }
    cached.polynomial = field.polynomial();
    cached.degree = degree;
    cached.first_root = first_root;
    return cached.multiples;
}

}  // namespace

GaloisField::GaloisField(unsigned polynomial) : polynomial_(polynomial) {
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
    const std::vector<std::uint16_t>& multiples = part_multiples(field, degree, first_root);
    const unsigned width = part_bits(field), parts = (field.bits() + width - 1) / width, rows = 1u << width;

    // Long division in place: the message followed by the remainder's room; step i clears the term at i by
    // adding factor * generator to the `degree` terms after it, one tabled row per part of the factor.
    const std::size_t length = message.size();
    std::vector<std::uint16_t> work(length + degree, 0);
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned factor = message[i] ^ work[i];
        for (unsigned place = 0; place < parts; ++place) {
            const unsigned value = (factor >> (place * width)) & (rows - 1);
            if (value != 0)
                xor_into(work.data() + i + 1, multiples.data() + (std::size_t(place) * rows + value) * degree, degree);
        }
    }
    std::copy_n(work.begin() + std::ptrdiff_t(length), degree, check.begin());
}

}  // namespace tavlo::reed_solomon
