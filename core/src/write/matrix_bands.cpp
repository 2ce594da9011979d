#include "matrix_bands.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

#include "../assert.hpp"
#include "bit_row.hpp"
#include "../deflate/equal_prefix.hpp"

namespace tavlo::png {
namespace {

constexpr std::uint64_t high_bits = 0x8080808080808080;

// Eight module bytes as eight bits, the first module in the lowest: set where the byte is not 0 (dark). The
// high bit of each byte is set where it is not 0, then the eight are gathered into the top byte by one
// multiplication whose partial products never meet.
unsigned dark_bits8(const std::uint8_t* modules) {
    std::uint64_t v;
    std::memcpy(&v, modules, sizeof v);
    const std::uint64_t nonzero = (((v & ~high_bits) + ~high_bits) | v) & high_bits;
    return static_cast<unsigned>((nonzero >> 7) * 0x0102040810204080 >> 56);
}

// The row's modules as bits, 64 to a word, the first module in the lowest bit; the bits past the row are 0. A
// word is gathered in a register and stored once, the last few modules one by one: a label's rows are a word or
// two, for which clearing the words, adding to them in memory and copying the last modules aside took longer
// than the modules.
void row_bits(const std::uint8_t* row, std::uint32_t width, std::vector<std::uint64_t>& bits) {
    bits.resize(width / 64 + 1);
    std::uint64_t word = 0;
    std::uint32_t c = 0;
    for (; c + 8 <= width; c += 8) {
        word |= std::uint64_t{dark_bits8(row + c)} << (c % 64);
        if (c % 64 == 56) bits[c / 64] = std::exchange(word, 0);
    }
    for (; c < width; ++c) word |= std::uint64_t{row[c] != 0} << (c % 64);
    bits[c / 64] = word;
}

// Whether two module rows of `width` modules are the same: a short row compared inline, as the call to memcmp
// cost more than its few words; a longer one by memcmp, which compares many words at a time.
bool same_modules(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t width) {
    constexpr std::uint32_t inline_modules = 32;
    return width <= inline_modules ? deflate::equal_prefix(a, b, width) == width : std::memcmp(a, b, width) == 0;
}

// Whether two rows of module bits are the same, compared in a loop for the same reason.
bool same_words(std::span<const std::uint64_t> a, std::span<const std::uint64_t> b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

}  // namespace

// A module row's runs of dark modules are its spans: runs are maximal, so no two spans touch and none need
// merging. Rows of a band are the module rows' x dots each, joined where module rows repeat (a PDF417 row is
// three module rows), so the bands are the fewest, as the sweep's are. Runs are found from the rows as bits,
// the row repeated from the one above not read at all: a PDF417 of 120 x 36 modules took 61,000 instructions
// module by module, 6,000 so.
void matrix_bands(const MatrixGeometry& matrix, const MatrixPlacement& placement, label::BandList& bands,
                  SweepScratch& scratch) {
    const std::uint32_t x = placement.x, width = matrix.width;
    const std::uint64_t bottom = placement.top + std::uint64_t{matrix.height} * x;
    TAVLO_ASSERT(bottom <= placement.height && matrix.modules.size() == std::size_t{width} * matrix.height);
    bands.clear();
    if (placement.top > 0) bands.add(placement.top, {});
    std::vector<std::uint64_t>& bits = scratch.bits;
    std::vector<Span>& dark = scratch.dark;
    const std::uint8_t* row = matrix.modules.data();
    for (std::uint32_t r = 0; r < matrix.height; ++r, row += width) {
        // The last band holds the row above whether it was added or joined.
        if (r > 0 && same_modules(row, row - width, width)) {
            bands.back().rows += x;
            continue;
        }
        row_bits(row, width, bits);
        dark.clear();
        // A set bit of `edges` is a module unlike the one before it (the one before the first is light): runs
        // start and end at them in turn. The bits past the row are 0, so a run at the row's end ends there.
        bool in_run = false;
        std::uint32_t start = 0;
        std::uint64_t carry = 0;
        for (std::size_t word = 0; word < bits.size(); ++word) {
            std::uint64_t edges = bits[word] ^ (bits[word] << 1 | carry);
            carry = bits[word] >> 63;
            for (; edges != 0; edges &= edges - 1) {
                const auto at = static_cast<std::uint32_t>(word * 64 + std::countr_zero(edges));
                if (in_run) dark.push_back({placement.left + start * x, placement.left + at * x});
                start = at;
                in_run = !in_run;
            }
        }
        bands.add(x, dark);
    }
    if (bottom < placement.height) bands.add(static_cast<std::uint32_t>(placement.height - bottom), {});
}

namespace {

// Modules up to this many pixels wide are painted eight at a time from a table (see paint_band_by_table).
constexpr std::uint32_t max_table_x = 8;

// For x from 1 to max_table_x, eight modules (the first in the lowest bit of the index) as their 8·x pixels, the
// first module's in the highest bits of the word.
constexpr auto module_pixels = [] {
    std::array<std::array<std::uint64_t, 256>, max_table_x> table{};
    for (unsigned x = 1; x <= max_table_x; ++x) {
        for (unsigned byte = 0; byte < 256; ++byte) {
            for (unsigned i = 0; i < 8; ++i) {
                if (byte >> i & 1) table[x - 1][byte] |= ((std::uint64_t{1} << x) - 1) << (64 - x * (i + 1));
            }
        }
    }
    return table;
}();

// Paints the scanline of a band whose modules are `bits` (as row_bits gives them), each module x pixels (at most
// max_table_x) from `left`, eight modules at a time: their pixels from the table, shifted into the word or two
// they fall in: a PDF417 label's rows took 14,300 instructions by their edges (below), 6,200 so.
void paint_band_by_table(std::span<const std::uint64_t> bits, std::uint32_t columns, std::uint32_t x,
                         std::uint32_t left, std::uint32_t width, bool dark_bit, std::vector<std::uint64_t>& pixels,
                         std::uint8_t* bytes) {
    const std::array<std::uint64_t, 256>& table = module_pixels[x - 1];
    RowWords row(bytes, bit_row_bytes(width), width, dark_bit);
    // A group starts within the row, but may spill past it (the modules after the symbol's are 0): one more word.
    pixels.assign(row.words() + 1, 0);
    // The pixels are gathered a word at a time in a register, each word stored once complete.
    std::uint64_t* out = pixels.data() + left / 64;
    std::uint64_t word = 0;     // the pixels of *out so far
    unsigned filled = left % 64;  // and how many
    const unsigned group_pixels = 8 * x;
    std::uint64_t modules = 0;
    for (std::size_t group = 0; group < (columns + 7) / 8; ++group, modules >>= 8) {
        if (group % 8 == 0) modules = bits[group / 8];
        const std::uint64_t dark = table[modules & 0xff];
        word |= dark >> filled;
        if (filled + group_pixels < 64) {
            filled += group_pixels;
            continue;
        }
        *out++ = word;
        word = dark << 1 << (63 - filled);  // the pixels that did not fit; none when the word was empty
        filled = filled + group_pixels - 64;
    }
    *out = word;
    for (std::size_t at = 0; at + 1 < row.words(); ++at) row.put(pixels[at]);
    row.finish(pixels[row.words() - 1]);
}

// Paints the scanline of a band whose modules are `bits` (as row_bits gives them): each module x pixels from
// `left`. A module unlike the one before it marks a pixel edge, and the pixels from one edge to the next are
// dark or light in turn, so a word's dark pixels are the running parity of the edges up to each: six shifts
// a word and eight instructions an edge, where making and painting a band's spans took some thirty a span.
void paint_band(std::span<const std::uint64_t> bits, std::uint32_t x, std::uint32_t left, std::uint32_t width,
                bool dark_bit, std::vector<std::uint64_t>& edges, std::uint8_t* bytes) {
    constexpr std::uint64_t top_bit = std::uint64_t{1} << 63;
    RowWords row(bytes, bit_row_bytes(width), width, dark_bit);
    // A run that ends at the symbol's right edge, which may be the image's, marks the pixel there: one more word.
    edges.assign(row.words() + 1, 0);
    std::uint64_t carry = 0;
    for (std::size_t word = 0; word < bits.size(); ++word) {
        for (std::uint64_t e = bits[word] ^ (bits[word] << 1 | carry); e != 0; e &= e - 1) {
            const std::uint64_t pixel = left + (word * 64 + std::countr_zero(e)) * x;
            edges[pixel / 64] ^= top_bit >> (pixel % 64);
        }
        carry = bits[word] >> 63;
    }
    std::uint64_t inside = 0;  // all ones when a run is open before the word
    for (std::size_t word = 0; word < row.words(); ++word) {
        std::uint64_t dark = edges[word];
        dark ^= dark >> 1, dark ^= dark >> 2, dark ^= dark >> 4;  // written out: a loop was not unrolled
        dark ^= dark >> 8, dark ^= dark >> 16, dark ^= dark >> 32;
        dark ^= inside;
        inside = 0 - (dark & 1);
        if (word + 1 < row.words()) {
            row.put(dark);
        } else {
            row.finish(dark);
        }
    }
}

}  // namespace

// Module rows are read as matrix_bands reads them, and a band's row is painted once it ends: when a module row's
// modules differ from the band's, or at the quiet zone below. Equal modules are equal spans, so the bands are
// those matrix_bands makes.
void paint_matrix_rows(const MatrixGeometry& matrix, const MatrixPlacement& placement, std::uint32_t width,
                       bool dark_bit, RowSink& sink, MatrixRowScratch& scratch) {
    const std::uint32_t x = placement.x, columns = matrix.width;
    const std::uint64_t bottom = placement.top + std::uint64_t{matrix.height} * x;
    TAVLO_ASSERT(bottom <= placement.height && matrix.modules.size() == std::size_t{columns} * matrix.height);
    TAVLO_ASSERT(placement.left + std::uint64_t{columns} * x <= width);
    scratch.scanline.assign(1 + bit_row_bytes(width), 0);  // the filter byte, 0, then the row
    scratch.band_bits.assign(columns / 64 + 1, 0);         // light: the quiet zone above
    std::uint64_t band_rows = placement.top;
    const auto end_band = [&] {
        if (band_rows == 0) return;
        std::uint8_t* const bytes = scratch.scanline.data() + 1;
        if (x <= max_table_x) {
            paint_band_by_table(scratch.band_bits, columns, x, placement.left, width, dark_bit, scratch.edges, bytes);
        } else {
            paint_band(scratch.band_bits, x, placement.left, width, dark_bit, scratch.edges, bytes);
        }
        sink.row(scratch.scanline, band_rows);
    };
    const std::uint8_t* row = matrix.modules.data();
    for (std::uint32_t r = 0; r < matrix.height; ++r, row += columns) {
        // The band holds the row above whether it began there or not.
        if (r > 0 && same_modules(row, row - columns, columns)) {
            band_rows += x;
            continue;
        }
        row_bits(row, columns, scratch.bits);
        if (same_words(scratch.bits, scratch.band_bits)) {
            band_rows += x;
            continue;
        }
        end_band();
        std::swap(scratch.bits, scratch.band_bits);
        band_rows = x;
    }
    if (bottom < placement.height) {
        if (std::ranges::any_of(scratch.band_bits, [](std::uint64_t word) { return word != 0; })) {
            end_band();
            std::ranges::fill(scratch.band_bits, 0);
            band_rows = 0;
        }
        band_rows += placement.height - bottom;
    }
    end_band();
}

}  // namespace tavlo::png
