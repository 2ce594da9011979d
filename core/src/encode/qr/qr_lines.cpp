#include "qr_lines.hpp"

#include <algorithm>
#include <cstring>

namespace tavlo::qr {
namespace {

// Up to eight cells of 0 and 1 as bits, the first cell in bit 0. In the product each cell's byte lands in the
// top byte at its own place, and no two partial products meet.
unsigned gather8(const std::uint8_t* cells, unsigned count) {
    std::uint64_t v = 0;
    if (count == 8)
        std::memcpy(&v, cells, 8);
    else
        std::memcpy(&v, cells, count);
    if constexpr (std::endian::native == std::endian::big) v = std::byteswap(v);
    return unsigned((v * 0x0102040810204080) >> 56);
}

// The reverse: up to eight bits to cells of 0 and 1.
void scatter8(unsigned bits, std::uint8_t* cells, unsigned count) {
    std::uint64_t v = (std::uint64_t{bits} * 0x0101010101010101u) & 0x8040201008040201u;  // byte i keeps bit i
    v = ((v + 0x7F7F7F7F7F7F7F7F) >> 7) & 0x0101010101010101;
    if constexpr (std::endian::native == std::endian::big) v = std::byteswap(v);
    if (count == 8)
        std::memcpy(cells, &v, 8);
    else
        std::memcpy(cells, &v, count);
}

// Bit c of a[r] trades places with bit r of a[c] (Hacker's Delight 7-3, for bit 0 first).
void transpose64(std::array<std::uint64_t, 64>& a) {
    std::uint64_t m = 0x00000000FFFFFFFF;
    for (unsigned j = 32; j != 0; j >>= 1, m ^= m << j)
        for (unsigned k = 0; k < 64; k = ((k | j) + 1) & ~j) {
            const std::uint64_t t = ((a[k] >> j) ^ a[k | j]) & m;
            a[k | j] ^= t;
            a[k] ^= t << j;
        }
}

}  // namespace

Line span_of(unsigned first, unsigned last) {
    Line l;
    for (unsigned i = 0; i < 3; ++i) {
        const unsigned lo = std::max(first, 64 * i), hi = std::min(last, 64 * i + 64);
        if (lo >= hi) continue;
        const std::uint64_t ones = hi - lo == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << (hi - lo)) - 1;
        l.w[i] = ones << (lo - 64 * i);
    }
    return l;
}

std::vector<Line> pack_rows(const std::uint8_t* cells, unsigned n, bool invert) {
    std::vector<Line> rows(n);
    for (unsigned y = 0; y < n; ++y, cells += n)
        for (unsigned x = 0; x < n; x += 8) {
            const unsigned count = std::min(8u, n - x);
            rows[y].put8(pad + x, gather8(cells + x, count) ^ (invert ? (1u << count) - 1 : 0));
        }
    return rows;
}

// The bit matrix with row y at line pad + y, transposed in 64 x 64 blocks.
std::vector<Line> transposed(std::span<const Line> rows) {
    const unsigned n = unsigned(rows.size());
    const unsigned words = (n + 2 * pad + 63) / 64;
    std::vector<Line> columns(n);
    std::array<std::uint64_t, 64> block;
    for (unsigned i = 0; i < words; ++i)
        for (unsigned j = 0; j < words; ++j) {
            for (unsigned k = 0; k < 64; ++k) {
                const unsigned y = 64 * i + k - pad;  // wraps to a large value above the first row
                block[k] = y < n ? rows[y].w[j] : 0;
            }
            transpose64(block);
            for (unsigned k = 0; k < 64; ++k) {
                const unsigned x = 64 * j + k - pad;
                if (x < n) columns[x].w[i] = block[k];
            }
        }
    return columns;
}

std::vector<std::uint8_t> unpack_rows(std::span<const Line> rows) {
    const auto n = unsigned(rows.size());
    std::vector<std::uint8_t> cells(std::size_t(n) * n);
    for (unsigned y = 0; y < n; ++y)
        for (unsigned x = 0; x < n; x += 8)
            scatter8(rows[y].get8(pad + x), cells.data() + std::size_t(y) * n + x, std::min(8u, n - x));
    return cells;
}

}  // namespace tavlo::qr
