// Text filled to whole dots from glyph shapes kept per thread: a label prints the same few digits at one size
// over and over, and filling an outline costs far more than copying its spans.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "glyph_placement.hpp"

namespace tavlo::text {

namespace {

// One glyph filled with its pen at (0, 0): its dots as filled on a canvas, whose row 0 and column 0 stand at
// (left, top) from the pen (top negative: above the baseline).
struct GlyphShape {
    std::int64_t left = 0, top = 0;
    Coverage dots;
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
    return shape;
}

using ShapeCache = std::unordered_map<ShapeKey, GlyphShape, ShapeKeyHash>;

ShapeCache& thread_shapes() {
    thread_local ShapeCache shapes;
    return shapes;
}

// Shapes stay where they are while a text is stamped (growing the map moves no element), so the cache is
// emptied only between texts, never while a call still points into it.
const GlyphShape& shape_of(unsigned char character, double size) {
    ShapeCache& shapes = thread_shapes();
    const ShapeKey key{character, size};
    if (auto found = shapes.find(key); found != shapes.end()) return found->second;
    return shapes.emplace(key, fill_shape(character, size)).first->second;
}

// One row's spans, written from `row_begin` on: each added span is joined to the row's last where they
// overlap or touch. Spans added left to right come out sorted and joined; `in_order` turns false when one
// starts left of the last, and the row then needs normalising.
struct RowWriter {
    RowSpan* row_begin;
    RowSpan* out;
    bool in_order = true;

    void add(std::uint32_t begin, std::uint32_t end) {
        if (out != row_begin) {
            RowSpan& last = out[-1];
            if (begin < last.begin) {
                in_order = false;
            } else if (begin <= last.end) {
                last.end = std::max(last.end, end);
                return;
            }
        }
        *out++ = RowSpan{begin, end};
    }

    // Sorts the row and joins its overlapping or touching spans; returns the end of the row.
    RowSpan* finish() {
        if (in_order) return out;
        std::sort(row_begin, out, [](const RowSpan& a, const RowSpan& b) { return a.begin < b.begin; });
        RowSpan* kept = row_begin;
        for (RowSpan* span = row_begin + 1; span != out; ++span) {
            if (span->begin <= kept->end)
                kept->end = std::max(kept->end, span->end);
            else
                *++kept = *span;
        }
        return kept + 1;
    }
};

// A glyph shape in place: its canvas's row 0 and column 0 at (left, top) in the image.
struct Stamp {
    const RowSpan* spans;
    const std::size_t* row_ends;
    std::uint64_t rows;
    std::int64_t left, top;
};

// The stamps' dots, row by row: each row's spans are added from the stamps left to right, so they are
// sorted and joined as they come unless two glyphs overlap. `span_bound` is at least the stamps' spans
// together, which the rows, joined, never exceed.
Coverage stamp_rows(std::span<const Stamp> stamps, std::int64_t first, std::int64_t last, std::size_t span_bound,
                    std::uint32_t width) {
    Coverage coverage;
    coverage.first_row = std::uint32_t(first);
    coverage.spans.resize(span_bound);
    coverage.row_ends.reserve(std::size_t(last - first));
    RowSpan* out = coverage.spans.data();
    for (std::int64_t row = first; row < last; ++row) {
        RowWriter writer{out, out};
        for (const Stamp& stamp : stamps) {
            const auto shape_row = std::uint64_t(row - stamp.top);
            if (shape_row >= stamp.rows) continue;
            const RowSpan* const end = stamp.spans + stamp.row_ends[shape_row];
            for (const RowSpan* span = stamp.spans + (shape_row ? stamp.row_ends[shape_row - 1] : 0); span != end;
                 ++span) {
                const std::int64_t b = std::clamp<std::int64_t>(stamp.left + span->begin, 0, width);
                const std::int64_t e = std::clamp<std::int64_t>(stamp.left + span->end, 0, width);
                if (b < e) writer.add(std::uint32_t(b), std::uint32_t(e));
            }
        }
        out = writer.finish();
        coverage.row_ends.push_back(std::size_t(out - coverage.spans.data()));
    }
    coverage.spans.resize(std::size_t(out - coverage.spans.data()));
    return coverage;
}

}  // namespace

Coverage rasterise_text(std::span<const TextItem> items, std::uint32_t width, std::uint32_t height) {
    if (thread_shapes().size() >= max_shapes) thread_shapes().clear();
    std::size_t glyphs = 0;
    for (const TextItem& item : items) glyphs += item.text.size();
    std::vector<Stamp> stamps;
    stamps.reserve(glyphs);
    std::int64_t first = height, last = 0;
    std::size_t span_bound = 0;
    for (const TextItem& item : items) {
        for_each_glyph(item, [&](const PlacedGlyph& glyph) {
            const GlyphShape& shape = shape_of(glyph.character, item.size);
            const std::size_t rows = shape.dots.row_count();
            if (rows == 0) return;
            const std::int64_t top = std::int64_t(glyph.baseline) + shape.top;
            first = std::min(first, std::max<std::int64_t>(top, 0));
            last = std::max(last, std::min<std::int64_t>(top + std::int64_t(rows), height));
            stamps.push_back(Stamp{shape.dots.spans.data(), shape.dots.row_ends.data(), rows,
                                   std::int64_t(glyph.pen_x) + shape.left, top});
            span_bound += shape.dots.spans.size();
        });
    }
    if (first >= last) return {};
    if (!std::ranges::is_sorted(stamps, {}, &Stamp::left)) std::ranges::sort(stamps, {}, &Stamp::left);
    return stamp_rows(stamps, first, last, span_bound, width);
}

}  // namespace tavlo::text
