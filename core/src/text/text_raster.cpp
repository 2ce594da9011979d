// Text filled to whole dots from glyph shapes kept per thread: a label prints the same few digits at one size
// over and over, and filling an outline costs far more than copying its spans.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "glyph_placement.hpp"
#include "text_rows.hpp"

namespace tavlo::text {

namespace {

// One glyph filled with its pen at (0, 0): its dots as filled on a canvas, whose row 0 and column 0 stand at
// (left, top) from the pen (top negative: above the baseline).
struct GlyphShape {
    std::int64_t left = 0, top = 0;
    Coverage dots;
    std::size_t most_spans = 0;                        // in any one row
    std::uint32_t columns_begin = 0, columns_end = 0;  // of the canvas, where the spans lie
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
    for (std::size_t row = 0; row < shape.dots.row_count(); ++row)
        shape.most_spans = std::max(shape.most_spans, shape.dots.row(row).size());
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

const GlyphShape& shape_of(ShapeCache& shapes, unsigned char character, double size) {
    const ShapeKey key{character, size};
    if (auto found = shapes.find(key); found != shapes.end()) return found->second;
    return shapes.emplace(key, fill_shape(character, size)).first->second;
}

// One row's spans, written from `row_begin` on: each added span is joined to the row's last where they
// overlap or touch. Spans added left to right come out sorted and joined; `in_order` turns false when one
// starts left of the last, and the row is then sorted and joined when finished.
struct RowWriter {
    png::Span* row_begin;
    png::Span* out;
    bool in_order = true;

    void add(const png::Span& span) { add(span.begin, span.end); }
    void add(std::uint32_t begin, std::uint32_t end) {
        if (out != row_begin) {
            png::Span& last = out[-1];
            if (begin < last.begin) {
                in_order = false;
            } else if (begin <= last.end) {
                last.end = std::max(last.end, end);
                return;
            }
        }
        *out++ = png::Span{begin, end};
    }

    std::span<const png::Span> finish() {
        if (in_order) return {row_begin, out};
        std::sort(row_begin, out, [](const png::Span& a, const png::Span& b) { return a.begin < b.begin; });
        png::Span* kept = row_begin;
        for (png::Span* span = row_begin + 1; span != out; ++span) {
            if (span->begin <= kept->end)
                kept->end = std::max(kept->end, span->end);
            else
                *++kept = *span;
        }
        return {row_begin, kept + 1};
    }
};

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
            const GlyphShape& shape = shape_of(shapes, glyph.character, item.size);
            const auto rows = std::int64_t(shape.dots.row_count());
            if (rows == 0) return;
            const std::int64_t top = std::int64_t(glyph.baseline) + shape.top;
            const std::int64_t shown_top = std::max<std::int64_t>(top, 0);
            const std::int64_t shown_bottom = std::min<std::int64_t>(top + rows, height);
            first = std::min(first, shown_top);
            last = std::max(last, shown_bottom);
            if (shown_top >= shown_bottom) return;
            // Rows above the image are passed over once, here.
            const std::size_t skipped = std::size_t(shown_top - top);
            const std::size_t* ends = shape.dots.row_ends.data();
            const RowSpan* spans = shape.dots.spans.data();
            const std::int64_t left = std::int64_t(glyph.pen_x) + shape.left;
            const bool clipped = left + shape.columns_begin < 0 || left + shape.columns_end > width;
            stamps_.push_back(Stamp{spans + (skipped ? ends[skipped - 1] : 0), ends + skipped, spans, left, shown_top,
                                    shown_bottom, clipped});
            most_spans_ += shape.most_spans;
        });
    }
    // Left to right, each row's spans come out in order unless glyphs overlap.
    if (!std::ranges::is_sorted(stamps_, {}, &Stamp::left)) std::ranges::sort(stamps_, {}, &Stamp::left);
    if (first < last) {
        first_row_ = next_row_ = std::uint32_t(first);
        end_row_ = std::uint32_t(last);
    }
    ++readers;  // last, once nothing here can throw: the destructor then always runs
}

TextRows::~TextRows() { --readers; }

std::span<const png::Span> TextRows::next(std::span<const png::Span> under) {
    // Every span of the row, the text's and the caller's, is one entry at most.
    if (row_.size() < most_spans_ + under.size()) row_.resize(most_spans_ + under.size());
    const std::int64_t row = next_row_++;
    RowWriter writer{row_.data(), row_.data()};
    const png::Span* below = under.data();
    const png::Span* const below_end = below + under.size();
    for (Stamp& stamp : stamps_) {
        if (row < stamp.top || row >= stamp.bottom) continue;
        const RowSpan* span = stamp.next_span;
        const RowSpan* const end = stamp.shape_spans + *stamp.next_end++;
        stamp.next_span = end;
        if (span == end) continue;
        // The caller's spans left of the glyph go first: a glyph and a bar seldom share a column, so the row
        // stays in order.
        for (; below != below_end && below->begin <= stamp.left + span->begin; ++below) writer.add(*below);
        if (!stamp.clipped) {
            for (; span != end; ++span)
                writer.add(std::uint32_t(stamp.left + span->begin), std::uint32_t(stamp.left + span->end));
            continue;
        }
        for (; span != end; ++span) {
            const auto begin = std::uint32_t(std::clamp<std::int64_t>(stamp.left + span->begin, 0, width_));
            const auto finish = std::uint32_t(std::clamp<std::int64_t>(stamp.left + span->end, 0, width_));
            if (begin < finish) writer.add(begin, finish);
        }
    }
    for (; below != below_end; ++below) writer.add(*below);
    return writer.finish();
}

Coverage rasterise_text(std::span<const TextItem> items, std::uint32_t width, std::uint32_t height) {
    TextRows rows(items, width, height);
    Coverage coverage;
    coverage.first_row = rows.first_row();
    coverage.row_ends.reserve(rows.end_row() - rows.first_row());
    for (std::uint32_t row = rows.first_row(); row < rows.end_row(); ++row) {
        for (const png::Span& span : rows.next({})) coverage.spans.push_back(RowSpan{span.begin, span.end});
        coverage.row_ends.push_back(coverage.spans.size());
    }
    return coverage;
}

}  // namespace tavlo::text
