#include "qr_mask.hpp"

#include "qr_lines.hpp"

#include <array>

namespace tavlo::qr {
namespace {

// Format information (ISO/IEC 18004 7.9.1): the level's two indicator bits (L 01, M 00, Q 11, H 10) and the
// mask reference, BCH(15,5) with generator 0x537, XORed with 0x5412 so that no format word is all light.
constexpr std::array<std::array<std::uint16_t, 8>, 4> format_words = [] {
    constexpr unsigned indicators[4] = {0b01, 0b00, 0b11, 0b10};
    std::array<std::array<std::uint16_t, 8>, 4> words{};
    for (unsigned level = 0; level < 4; ++level)
        for (unsigned mask = 0; mask < 8; ++mask) {
            const unsigned data = indicators[level] << 3 | mask;
            unsigned remainder = data;
            for (int i = 0; i < 10; ++i) remainder = (remainder << 1) ^ ((remainder >> 9) * 0x537);
            words[level][mask] = std::uint16_t(((data << 10) | remainder) ^ 0x5412);
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

// Each tile row (by rows) and tile column (by columns) repeated along a whole line from bit `pad` on: a row or
// column of a symbol of n modules is its mask's line here cut to the symbol's span. Built here, not for each
// symbol: repeating them for every mask took a tenth of GS1 QR's label.
struct MaskLines {
    std::array<Line, 12> rows, columns;
};
constexpr std::array<MaskLines, 8> mask_lines = [] {
    const auto repeated = [](std::uint16_t bits) {
        Line l;
        for (unsigned at = pad; at < 64 * 3; at += 12) {
            l.w[at >> 6] |= std::uint64_t(bits) << (at & 63);
            if ((at & 63) > 52 && (at >> 6) < 2) l.w[(at >> 6) + 1] |= std::uint64_t(bits) >> (64 - (at & 63));
        }
        return l;
    };
    std::array<MaskLines, 8> lines{};
    for (unsigned mask = 0; mask < 8; ++mask)
        for (unsigned r = 0; r < 12; ++r) {
            std::uint16_t down = 0;
            for (unsigned y = 0; y < 12; ++y) down |= std::uint16_t(((tiles[mask][y] >> r) & 1) << y);
            lines[mask].rows[r] = repeated(tiles[mask][r]);
            lines[mask].columns[r] = repeated(down);
        }
    return lines;
}();

// Masks that depend only on where a line lies in the symbol.
template <unsigned W>
struct Frame {
    Bits<W> line;     // the line's modules
    Bits<W> outside;  // the line's modules and the padding around it: where a light module counts as light
    Bits<W> pairs;    // p where modules p and p + 1 both lie on the line

    template <unsigned V>
    Frame<V> first() const {
        return {line.template first<V>(), outside.template first<V>(), pairs.template first<V>()};
    }
};

// Rule N1 (runs of five or more of one colour score length - 2) and rule N3 (dark-light-dark-dark-dark-
// light-dark scores 40 unless dark modules lie both within four before it and within four after it).
template <unsigned W>
[[gnu::always_inline]] inline std::uint32_t line_penalty(Bits<W> dark, const Frame<W>& frame) {
    // A run of length L >= 5 holds L - 4 stretches of five equal modules; its first adds the other 2.
    const Bits<W> equal = ~(dark ^ ahead(dark, 1)) & frame.pairs;
    const Bits<W> five = equal & ahead(equal, 1) & ahead(equal, 2) & ahead(equal, 3);
    const std::uint32_t runs = five.count() + 2 * (five & ~behind(equal, 1)).count();

    const Bits<W> light = ~dark & frame.outside;
    const Bits<W> finder =
        dark & ahead(light, 1) & ahead(dark, 2) & ahead(dark, 3) & ahead(dark, 4) & ahead(light, 5) & ahead(dark, 6);
    const Bits<W> light_before = behind(light, 1) & behind(light, 2) & behind(light, 3) & behind(light, 4);
    const Bits<W> light_after = ahead(light, 7) & ahead(light, 8) & ahead(light, 9) & ahead(light, 10);
    return runs + 40 * (finder & (light_before | light_after)).count();
}

template <unsigned W>
[[gnu::always_inline]] inline std::uint32_t score_in_words(std::span<const Line> rows, std::span<const Line> columns,
                                                           const Frame<W>& frame) {
    const std::size_t n = rows.size();
    std::uint32_t score = 0;
    std::uint32_t dark = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Bits<W> row = rows[i].first<W>();
        score += line_penalty(row, frame) + line_penalty(columns[i].first<W>(), frame);
        dark += row.count();
    }
    // Rule N2: every 2 x 2 block of one colour, overlapping, scores 3.
    for (std::size_t y = 0; y + 1 < n; ++y) {
        const Bits<W> a = rows[y].first<W>(), b = rows[y + 1].first<W>();
        score += 3 * (~(a ^ b) & ~(a ^ ahead(a, 1)) & ~(b ^ ahead(b, 1)) & frame.pairs).count();
    }
    // Rule N4: the distance of the dark share from one half, in truncated half-percent steps.
    const auto share = std::int32_t(200 * dark / std::uint32_t(n * n));
    return score + std::uint32_t(share > 100 ? share - 100 : 100 - share);
}

// The four rules over the symbol given as its rows and its columns. Sums are kept modulo 2^16 so that the
// choice of mask matches encoders that score in 16-bit arithmetic, whatever the symbol.
// The popcnt clone is g++'s alone: clang defines __GNUC__ too, but its clones of this function leave the
// inlined Bits constructors undefined, so the module would not load; a clang build scores with the portable
// population count instead.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("popcnt", "default")))
#endif
std::uint16_t penalty(std::span<const Line> rows, std::span<const Line> columns, const Frame<3>& frame) {
    switch ((rows.size() + 2 * pad + 63) / 64) {
    case 1: return std::uint16_t(score_in_words(rows, columns, frame.first<1>()));
    case 2: return std::uint16_t(score_in_words(rows, columns, frame.first<2>()));
    default: return std::uint16_t(score_in_words(rows, columns, frame));
    }
}

Frame<3> frame_of(unsigned n) { return {span_of(pad, pad + n), span_of(0, n + 2 * pad), span_of(pad, pad + n - 1)}; }

}  // namespace

std::uint16_t penalty_score(unsigned size, std::span<const std::uint8_t> modules) {
    const auto rows = pack_rows(modules.data(), size, false);
    return penalty(rows, transposed(rows), frame_of(size));
}

MatrixGeometry apply_best_mask(const Unmasked& symbol, QrLevel level, std::optional<unsigned> only_mask) {
    const unsigned n = symbol.size;
    const Frame<3> frame = frame_of(n);

    // The unmasked symbol and the maskable modules, by rows and by columns.
    const std::span<const Line> base_rows = symbol.rows, base_columns = symbol.columns;
    const std::span<const Line> open_rows = symbol.open_rows, open_columns = symbol.open_columns;

    // The format cells' rows and columns, divided out once rather than for each mask.
    std::array<std::array<unsigned, 2>, 31> format_at;
    for (unsigned i = 0; i < 31; ++i) format_at[i] = {unsigned(symbol.format_cells[i] / n), unsigned(symbol.format_cells[i] % n)};

    std::vector<Line> rows(n), columns(n), best_rows;
    std::uint16_t best_score = 0;
    for (unsigned mask = only_mask.value_or(0); mask < only_mask.value_or(7) + 1; ++mask) {
        // The open lines lie within the symbol's span, which cuts the mask's lines to it.
        const MaskLines& lines = mask_lines[mask];
        for (unsigned i = 0; i < n; ++i) {
            rows[i] = base_rows[i] ^ (lines.rows[i % 12] & open_rows[i]);
            columns[i] = base_columns[i] ^ (lines.columns[i % 12] & open_columns[i]);
        }
        const std::uint32_t word = format_words[unsigned(level)][mask] | 1u << 15;  // bit 15: the dark module
        for (unsigned i = 0; i < 31; ++i) {
            if (!((word >> (i < 15 ? i : i - 15)) & 1)) continue;
            const auto [row, column] = format_at[i];
            rows[row].set(pad + column);
            columns[column].set(pad + row);
        }
        const std::uint16_t score = penalty(rows, columns, frame);
        if (best_rows.empty() || score < best_score) {
            best_score = score;
            best_rows = rows;
        }
    }

    return MatrixGeometry{n, n, unpack_rows(best_rows)};
}

}  // namespace tavlo::qr
