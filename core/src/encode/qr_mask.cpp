#include "qr_mask.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

namespace tavlo::qr {
namespace {

// Format information of each mask reference at level M (indicator bits 00): BCH(15,5) with generator
// 0x537, XORed with 0x5412 so that no format word is all light.
constexpr std::array<std::uint16_t, 8> format_words = [] {
    std::array<std::uint16_t, 8> words{};
    for (unsigned mask = 0; mask < 8; ++mask) {
        unsigned remainder = mask;
        for (int i = 0; i < 10; ++i) remainder = (remainder << 1) ^ ((remainder >> 9) * 0x537);
        words[mask] = std::uint16_t(((mask << 10) | remainder) ^ 0x5412);
    }
    return words;
}();

// Every mask condition repeats every 12 modules across and down (its terms are taken modulo 2, 3, 4 or 6),
// so a 12 x 12 tile describes it: bit x of tiles[mask][y] is set where the module at column x, row y inverts.
constexpr std::array<std::array<std::uint16_t, 12>, 8> tiles = [] {
    std::array<std::array<std::uint16_t, 12>, 8> t{};
    for (unsigned y = 0; y < 12; ++y)
        for (unsigned x = 0; x < 12; ++x) {
            const bool inverts[8] = {
                (x + y) % 2 == 0,
                y % 2 == 0,
                x % 3 == 0,
                (x + y) % 3 == 0,
                (x / 3 + y / 2) % 2 == 0,
                x * y % 2 + x * y % 3 == 0,
                (x * y % 2 + x * y % 3) % 2 == 0,
                ((x + y) % 2 + x * y % 3) % 2 == 0,
            };
            for (unsigned mask = 0; mask < 8; ++mask) t[mask][y] |= std::uint16_t(inverts[mask] << x);
        }
    return t;
}();

// One row or column as bits: module i at bit pad + i, with `pad` light modules before and after it, since the
// finder-like rule looks four modules beyond the symbol's edge. 177 + 2 * 4 modules fit in 192 bits.
constexpr unsigned pad = 4;

struct Line {
    std::array<std::uint64_t, 3> w{};

    friend Line operator&(Line a, Line b) { return {{a.w[0] & b.w[0], a.w[1] & b.w[1], a.w[2] & b.w[2]}}; }
    friend Line operator|(Line a, Line b) { return {{a.w[0] | b.w[0], a.w[1] | b.w[1], a.w[2] | b.w[2]}}; }
    friend Line operator^(Line a, Line b) { return {{a.w[0] ^ b.w[0], a.w[1] ^ b.w[1], a.w[2] ^ b.w[2]}}; }
    friend Line operator~(Line a) { return {{~a.w[0], ~a.w[1], ~a.w[2]}}; }

    void set(unsigned bit) { w[bit >> 6] |= std::uint64_t(1) << (bit & 63); }
    bool test(unsigned bit) const { return (w[bit >> 6] >> (bit & 63)) & 1; }
    [[gnu::always_inline]] unsigned count() const { return unsigned(std::popcount(w[0]) + std::popcount(w[1]) + std::popcount(w[2])); }
};

// Bit p of the result is bit p + k of a; k in [1, 63].
[[gnu::always_inline]] inline Line ahead(Line a, unsigned k) {
    return {{a.w[0] >> k | a.w[1] << (64 - k), a.w[1] >> k | a.w[2] << (64 - k), a.w[2] >> k}};
}

// Bit p of the result is bit p - k of a; k in [1, 63].
[[gnu::always_inline]] inline Line behind(Line a, unsigned k) {
    return {{a.w[0] << k, a.w[1] << k | a.w[0] >> (64 - k), a.w[2] << k | a.w[1] >> (64 - k)}};
}

// Bits [first, last) set; last at most 192.
Line span_of(unsigned first, unsigned last) {
    Line l;
    for (unsigned i = 0; i < 3; ++i) {
        const unsigned lo = std::max(first, 64 * i), hi = std::min(last, 64 * i + 64);
        if (lo < hi) l.w[i] = (hi - lo == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << (hi - lo)) - 1) << (lo - 64 * i);
    }
    return l;
}

// The 12-module period `bits` repeated along a line of n modules, `line` being its bits.
Line repeated(std::uint16_t bits, unsigned n, Line line) {
    Line l;
    for (unsigned at = pad; at < pad + n; at += 12) {
        const std::uint64_t chunk = bits;
        l.w[at >> 6] |= chunk << (at & 63);
        if ((at & 63) > 52 && (at >> 6) < 2) l.w[(at >> 6) + 1] |= chunk >> (64 - (at & 63));
    }
    return l & line;
}

// Cells of an n x n row-major grid of 0 and 1, XORed with `flip`, ORed into lines by rows and by columns.
void pack(const std::uint8_t* cells, unsigned n, std::uint8_t flip, Line* rows, Line* columns) {
    for (unsigned y = 0; y < n; ++y, cells += n) {
        const unsigned word = (pad + y) >> 6, shift = (pad + y) & 63;
        for (unsigned x = 0; x < n; ++x) {
            const std::uint64_t v = cells[x] ^ flip;
            rows[y].w[(pad + x) >> 6] |= v << ((pad + x) & 63);
            columns[x].w[word] |= v << shift;
        }
    }
}

// Masks that depend only on where a line lies in the symbol.
struct Frame {
    Line line;     // the line's modules
    Line outside;  // the line's modules and the padding around it: where a light module counts as light
    Line pairs;    // p where modules p and p + 1 both lie on the line
};

// Rule N1 (runs of five or more of one colour score length - 2) and rule N3 (dark-light-dark-dark-dark-
// light-dark scores 40 unless dark modules lie both within four before it and within four after it).
[[gnu::always_inline]] inline std::uint32_t line_penalty(Line dark, const Frame& frame) {
    // A run of length L >= 5 holds L - 4 stretches of five equal modules; its first adds the other 2.
    const Line equal = ~(dark ^ ahead(dark, 1)) & frame.pairs;
    const Line five = equal & ahead(equal, 1) & ahead(equal, 2) & ahead(equal, 3);
    const std::uint32_t runs = five.count() + 2 * (five & ~behind(equal, 1)).count();

    const Line light = ~dark & frame.outside;
    const Line finder = dark & ahead(light, 1) & ahead(dark, 2) & ahead(dark, 3) & ahead(dark, 4) &
                        ahead(light, 5) & ahead(dark, 6);
    const Line light_before = behind(light, 1) & behind(light, 2) & behind(light, 3) & behind(light, 4);
    const Line light_after = ahead(light, 7) & ahead(light, 8) & ahead(light, 9) & ahead(light, 10);
    return runs + 40 * (finder & (light_before | light_after)).count();
}

// The four rules over the symbol given as its rows and its columns. Sums are kept modulo 2^16 so that the
// choice of mask matches encoders that score in 16-bit arithmetic, whatever the symbol.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("popcnt", "default")))
#endif
std::uint16_t penalty(std::span<const Line> rows, std::span<const Line> columns, const Frame& frame) {
    const std::size_t n = rows.size();
    std::uint32_t score = 0;
    std::uint32_t dark = 0;
    for (std::size_t i = 0; i < n; ++i) {
        score += line_penalty(rows[i], frame) + line_penalty(columns[i], frame);
        dark += rows[i].count();
    }
    // Rule N2: every 2 x 2 block of one colour, overlapping, scores 3.
    for (std::size_t y = 0; y + 1 < n; ++y) {
        const Line a = rows[y], b = rows[y + 1];
        score += 3 * (~(a ^ b) & ~(a ^ ahead(a, 1)) & ~(b ^ ahead(b, 1)) & frame.pairs).count();
    }
    // Rule N4: the distance of the dark share from one half, in truncated half-percent steps.
    const auto total = std::uint32_t(n * n);
    const auto share = std::int32_t(200 * dark / total);
    score += std::uint32_t(share > 100 ? share - 100 : 100 - share);
    return std::uint16_t(score);
}

}  // namespace

MatrixGeometry apply_best_mask(const Unmasked& symbol) {
    const unsigned n = symbol.size;
    const Frame frame{span_of(pad, pad + n), span_of(0, n + 2 * pad), span_of(pad, pad + n - 1)};

    // The unmasked symbol and the maskable modules, by rows and by columns.
    std::vector<Line> base_rows(n), base_columns(n), open_rows(n), open_columns(n);
    pack(symbol.modules.data(), n, 0, base_rows.data(), base_columns.data());
    pack(symbol.function.data(), n, 1, open_rows.data(), open_columns.data());

    std::vector<Line> rows(n), columns(n), best_rows;
    std::uint16_t best_score = 0;
    for (unsigned mask = 0; mask < 8; ++mask) {
        std::array<Line, 12> row_pattern, column_pattern;
        for (unsigned r = 0; r < 12; ++r) {
            row_pattern[r] = repeated(tiles[mask][r], n, frame.line);
            std::uint16_t down = 0;
            for (unsigned y = 0; y < 12; ++y) down |= std::uint16_t(((tiles[mask][y] >> r) & 1) << y);
            column_pattern[r] = repeated(down, n, frame.line);
        }
        for (unsigned i = 0; i < n; ++i) {
            rows[i] = base_rows[i] ^ (row_pattern[i % 12] & open_rows[i]);
            columns[i] = base_columns[i] ^ (column_pattern[i % 12] & open_columns[i]);
        }
        const std::uint32_t word = format_words[mask] | 1u << 15;  // bit 15: the dark module
        for (unsigned i = 0; i < 31; ++i) {
            if (!((word >> (i < 15 ? i : i - 15)) & 1)) continue;
            const std::size_t at = symbol.format_cells[i];
            rows[at / n].set(pad + unsigned(at % n));
            columns[at % n].set(pad + unsigned(at / n));
        }
        const std::uint16_t score = penalty(rows, columns, frame);
        if (mask == 0 || score < best_score) {
            best_score = score;
            best_rows = rows;
        }
    }

    MatrixGeometry out{n, n, std::vector<std::uint8_t>(std::size_t(n) * n)};
    for (unsigned y = 0; y < n; ++y) {
        std::uint8_t* cells = out.modules.data() + std::size_t(y) * n;
        for (unsigned x = 0; x < n; ++x) cells[x] = best_rows[y].test(pad + x);
    }
    return out;
}

}  // namespace tavlo::qr
