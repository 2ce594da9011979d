// Rows and columns of a QR Code symbol as bit sets, for scoring masks a word at a time.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <span>
#include <vector>

namespace tavlo::qr {

// One row or column as bits: module i at bit pad + i, with `pad` light modules before and after it, since the
// finder-like rule looks four modules beyond the symbol's edge. 177 + 2 * 4 modules fit in 192 bits.
constexpr unsigned pad = 4;

// W 64-bit words of a line; storage always has 3, while scoring touches only the words a symbol's size needs.
template <unsigned W>
struct Bits {
    std::array<std::uint64_t, W> w{};

    friend Bits operator&(Bits a, Bits b) {
        for (unsigned i = 0; i < W; ++i) a.w[i] &= b.w[i];
        return a;
    }
    friend Bits operator|(Bits a, Bits b) {
        for (unsigned i = 0; i < W; ++i) a.w[i] |= b.w[i];
        return a;
    }
    friend Bits operator^(Bits a, Bits b) {
        for (unsigned i = 0; i < W; ++i) a.w[i] ^= b.w[i];
        return a;
    }
    friend Bits operator~(Bits a) {
        for (unsigned i = 0; i < W; ++i) a.w[i] = ~a.w[i];
        return a;
    }

    template <unsigned V>
    Bits<V> first() const {
        Bits<V> r;
        for (unsigned i = 0; i < V; ++i) r.w[i] = w[i];
        return r;
    }

    [[gnu::always_inline]] unsigned count() const {
        unsigned c = 0;
        for (unsigned i = 0; i < W; ++i) c += unsigned(std::popcount(w[i]));
        return c;
    }

    void set(unsigned bit) { w[bit >> 6] |= std::uint64_t(1) << (bit & 63); }

    // Eight bits from `at` on, at + 8 at most 64 * W.
    unsigned get8(unsigned at) const {
        const unsigned word = at >> 6, shift = at & 63;
        std::uint64_t v = w[word] >> shift;
        if (shift > 56) v |= w[word + 1] << (64 - shift);
        return unsigned(v & 0xFF);
    }
    void put8(unsigned at, unsigned bits) {
        const unsigned word = at >> 6, shift = at & 63;
        w[word] |= std::uint64_t(bits) << shift;
        if (shift > 56) w[word + 1] |= std::uint64_t(bits) >> (64 - shift);
    }
};

using Line = Bits<3>;

// Bit p of the result is bit p + k of a; k in [1, 63].
template <unsigned W>
[[gnu::always_inline]] inline Bits<W> ahead(Bits<W> a, unsigned k) {
    for (unsigned i = 0; i + 1 < W; ++i) a.w[i] = a.w[i] >> k | a.w[i + 1] << (64 - k);
    a.w[W - 1] >>= k;
    return a;
}

// Bit p of the result is bit p - k of a; k in [1, 63].
template <unsigned W>
[[gnu::always_inline]] inline Bits<W> behind(Bits<W> a, unsigned k) {
    for (unsigned i = W - 1; i > 0; --i) a.w[i] = a.w[i] << k | a.w[i - 1] >> (64 - k);
    a.w[0] <<= k;
    return a;
}

// Bits [first, last) set; last at most 192.
Line span_of(unsigned first, unsigned last);

// The rows of an n x n row-major grid of 0 and 1 cells, inverted when `invert`.
std::vector<Line> pack_rows(const std::uint8_t* cells, unsigned n, bool invert);

// The columns of the square whose rows are given.
std::vector<Line> transposed(std::span<const Line> rows);

// The n x n row-major grid of 0 and 1 cells that the rows hold.
std::vector<std::uint8_t> unpack_rows(std::span<const Line> rows);

}  // namespace tavlo::qr
