// Text filled to whole dots from glyph shapes kept per thread: a label prints the same few digits at one size
// over and over, and filling an outline costs far more than painting its bits.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "../assert.hpp"
#include "../little_endian.hpp"
#include "../write/bit_row.hpp"
#include "glyph_placement.hpp"
#include "text_rows.hpp"

namespace tavlo::text {

namespace {

// The rows of a glyph shape as bits, the shape's first column at bit `phase` from the top of a byte (the
// highest bit 0): each row `bytes` long, one after another.
struct ShapeBits {
    bool made = false;
    std::uint32_t bytes = 0;
    std::vector<std::uint8_t> rows;
    std::vector<std::uint64_t> words;  // when a row fits in eight bytes: each row as load_le64 reads it
};

// One glyph filled with its pen at (0, 0): its dots as filled on a canvas, whose row 0 and column 0 stand at
// (left, top) from the pen (top negative: above the baseline).
struct GlyphShape {
    std::int64_t left = 0, top = 0;
    Coverage dots;
    std::uint32_t columns_begin = 0, columns_end = 0;  // of the canvas, where the spans lie
    std::array<ShapeBits, 8> phases;                     // made for the phases the shape has been placed at

    const ShapeBits& bits(unsigned phase) {
        ShapeBits& bits = phases[phase];
        if (bits.made) return bits;
        bits.bytes = (columns_end - columns_begin + phase + 7) / 8;
        bits.rows.assign(dots.row_count() * bits.bytes, 0);
        for (std::size_t row = 0; row < dots.row_count(); ++row) {
            for (const RowSpan& span : dots.row(row)) {
                png::paint_span(bits.rows.data() + row * bits.bytes, span.begin - columns_begin + phase,
                                span.end - columns_begin + phase, true);
            }
        }
        if (bits.bytes <= 8) {
            bits.words.resize(dots.row_count());
            std::vector<std::uint8_t> word(8);
            for (std::size_t row = 0; row < dots.row_count(); ++row) {
                std::copy_n(bits.rows.data() + row * bits.bytes, bits.bytes, word.begin());
                bits.words[row] = load_le64(word.data());
            }
        }
        bits.made = true;
        return bits;
    }
};

struct ShapeKey {
    unsigned char character;
    double size;
    bool operator==(const ShapeKey&) const = default;
};

struct ShapeKeyHash {
    std::size_t operator()(const ShapeKey& key) const {
        std::uint64_t bits;
        std::memcpy(&bits, &key.size, sizeof bits);
        return std::hash<std::uint64_t>{}(bits * 131 + key.character);
    }
};

// Shapes of a thread's recent texts. The bound keeps a thread that prints many sizes from growing without
// limit (one text may pass it; the next starts afresh); a label needs a dozen shapes.
constexpr std::size_t max_shapes = 1024;

GlyphShape fill_shape(unsigned char character, double size) {
    // Drawn inside a canvas with a margin of the whole size around the pen, more than any glyph reaches.
    const double margin = std::ceil(size) + 2;
    const double advance = ocrb::glyph(character).entry.advance * scale_for(size);
    const auto width = std::uint32_t(std::ceil(advance + 2 * margin));
    const auto height = std::uint32_t(std::ceil(3 * margin));
    Outline outline;
    append_glyph_outline(outline, character, margin, 2 * margin, size);
    GlyphShape shape;
    shape.dots = rasterise(outline, width, height);
    shape.left = -std::int64_t(margin);
    shape.top = std::int64_t(shape.dots.first_row) - std::int64_t(2 * margin);
    if (!shape.dots.spans.empty()) {
        shape.columns_begin = std::ranges::min(shape.dots.spans, {}, &RowSpan::begin).begin;
        shape.columns_end = std::ranges::max(shape.dots.spans, {}, &RowSpan::end).end;
    }
    return shape;
}

using ShapeCache = std::unordered_map<ShapeKey, GlyphShape, ShapeKeyHash>;

ShapeCache& thread_shapes() {
    thread_local ShapeCache shapes;
    return shapes;
}

// How many TextRows of this thread are alive: the store is emptied only when none is, since each points into
// it (growing the map moves no element).
thread_local int readers = 0;

GlyphShape& shape_of(ShapeCache& shapes, unsigned char character, double size) {
    const ShapeKey key{character, size};
    if (auto found = shapes.find(key); found != shapes.end()) return found->second;
    return shapes.emplace(key, fill_shape(character, size)).first->second;
}

}  // namespace

TextRows::TextRows(std::span<const TextItem> items, std::uint32_t width, std::uint32_t height) : width_(width) {
    ShapeCache& shapes = thread_shapes();
    if (readers == 0 && shapes.size() >= max_shapes) shapes.clear();
    std::size_t glyphs = 0;
    for (const TextItem& item : items) glyphs += item.text.size();
    stamps_.reserve(glyphs);
    std::int64_t first = height, last = 0;
    for (const TextItem& item : items) {
        for_each_glyph(item, [&](const PlacedGlyph& glyph) {
            GlyphShape& shape = shape_of(shapes, glyph.character, item.size);
            const auto rows = std::int64_t(shape.dots.row_count());
            if (rows == 0) return;
            const std::int64_t top = std::int64_t(glyph.baseline) + shape.top;
            const std::int64_t shown_top = std::max<std::int64_t>(top, 0);
            const std::int64_t shown_bottom = std::min<std::int64_t>(top + rows, height);
            if (shown_top >= shown_bottom) return;
            first = std::min(first, shown_top);
            last = std::max(last, shown_bottom);
            // Rows above the image are passed over once, here.
            const std::size_t skipped = std::size_t(shown_top - top);
            const std::size_t* ends = shape.dots.row_ends.data();
            const RowSpan* spans = shape.dots.spans.data();
            const std::int64_t left = std::int64_t(glyph.pen_x) + shape.left;
            Stamp stamp{};
            stamp.first_span = spans + (skipped ? ends[skipped - 1] : 0);
            stamp.first_end = ends + skipped;
            stamp.shape_spans = spans;
            stamp.left = left;
            stamp.top = shown_top;
            stamp.bottom = shown_bottom;
            const std::int64_t shown_left = left + shape.columns_begin;
            if (shown_left >= 0 && left + shape.columns_end <= width) {
                const ShapeBits& bits = shape.bits(unsigned(shown_left % 8));
                stamp.first_bits = bits.rows.data() + skipped * bits.bytes;
                stamp.bytes = bits.bytes;
                stamp.byte = std::uint32_t(shown_left / 8);
                // As words at multiples of eight bytes into the row, so that glyphs side by side read and write
                // the same eight bytes, never parts of them (which would keep each read waiting on the writes).
                if (!bits.words.empty()) {
                    stamp.first_word = bits.words.data() + skipped;
                    stamp.shift = 8 * (stamp.byte % 8);
                    stamp.byte -= stamp.byte % 8;
                }
                // Painted whole: its bytes lie within the row's.
                TAVLO_ASSERT((std::uint64_t(stamp.byte) + stamp.bytes) * 8 <= std::uint64_t(width) + 7);
            }
            // One way of painting per stamp: words, or bytes, or (clipped) spans.
            TAVLO_ASSERT(!stamp.first_word || stamp.first_bits);
            stamps_.push_back(stamp);
        });
    }
    if (first < last) {
        first_row_ = std::uint32_t(first);
        end_row_ = std::uint32_t(last);
    }
    for (const Stamp& stamp : stamps_) {
        if (stamp.top < stamp.bottom) covered_.emplace_back(stamp.top, stamp.bottom);
    }
    std::ranges::sort(covered_);
    std::size_t merged = 0;
    for (const auto& rows : covered_) {
        if (merged > 0 && rows.first <= covered_[merged - 1].second)
            covered_[merged - 1].second = std::max(covered_[merged - 1].second, rows.second);
        else
            covered_[merged++] = rows;
    }
    covered_.resize(merged);
    rewind();
    ++readers;  // last, once nothing here can throw: the destructor then always runs
}

TextRows::~TextRows() { --readers; }

void TextRows::rewind() {
    next_row_ = first_row_;
    for (Stamp& stamp : stamps_) {
        stamp.word = stamp.first_word;
        stamp.bits = stamp.first_bits;
        stamp.next_span = stamp.first_span;
        stamp.next_end = stamp.first_end;
    }
}

std::uint32_t TextRows::blank_rows_next() const {
    const std::int64_t at = next_row_;
    // The first covered stretch that ends after `at`: `at` is in it, or the blank rows reach its start.
    const auto next = std::ranges::upper_bound(covered_, at, {}, &std::pair<std::int64_t, std::int64_t>::second);
    const std::int64_t until = next == covered_.end() ? std::int64_t{end_row_} : next->first;
    return until > at ? std::uint32_t(until - at) : 0;
}

void TextRows::paint_next(std::uint8_t* row, bool dark_bit) {
    const std::int64_t at = next_row_++;
    for (Stamp& stamp : stamps_) {
        if (at < stamp.top || at >= stamp.bottom) continue;
        if (stamp.word) {
            const std::uint64_t word = *stamp.word++;
            png::paint_word(row + stamp.byte, word << stamp.shift, dark_bit);
            if (stamp.shift != 0 && word >> (64 - stamp.shift) != 0)
                png::paint_word(row + stamp.byte + 8, word >> (64 - stamp.shift), dark_bit);
            continue;
        }
        if (stamp.bits) {
            png::paint_bits(row + stamp.byte, {stamp.bits, stamp.bytes}, dark_bit);
            stamp.bits += stamp.bytes;
            continue;
        }
        const RowSpan* const end = stamp.shape_spans + *stamp.next_end++;
        for (const RowSpan* span = stamp.next_span; span != end; ++span) {
            const auto begin = std::uint32_t(std::clamp<std::int64_t>(stamp.left + span->begin, 0, width_));
            const auto finish = std::uint32_t(std::clamp<std::int64_t>(stamp.left + span->end, 0, width_));
            if (begin < finish) png::paint_span(row, begin, finish, dark_bit);
        }
        stamp.next_span = end;
    }
}

Coverage rasterise_text(std::span<const TextItem> items, std::uint32_t width, std::uint32_t height) {
    TextRows rows(items, width, height);
    Coverage coverage;
    coverage.first_row = rows.first_row();
    coverage.row_ends.reserve(rows.end_row() - rows.first_row());
    std::vector<std::uint8_t> bits(TextRows::room(width));
    for (std::uint32_t row = rows.first_row(); row < rows.end_row(); ++row) {
        std::ranges::fill(bits, 0);
        rows.paint_next(bits.data(), true);
        png::for_each_set_span(bits.data(), width,
                               [&](const png::Span& span) { coverage.spans.push_back({span.begin, span.end}); });
        coverage.row_ends.push_back(coverage.spans.size());
    }
    return coverage;
}

}  // namespace tavlo::text
