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

// Sorts the spans of the row that starts at `row_start` and joins the overlapping or touching ones.
void normalise(std::vector<RowSpan>& spans, std::size_t row_start) {
    const auto row = std::span(spans).subspan(row_start);
    std::ranges::sort(row, {}, &RowSpan::begin);
    std::size_t out = 0;
    for (std::size_t i = 1; i < row.size(); ++i) {
        if (row[i].begin <= row[out].end)
            row[out].end = std::max(row[out].end, row[i].end);
        else
            row[++out] = row[i];
    }
    spans.resize(row_start + out + 1);
}

// Adds [begin, end) to the row that starts at `row_start`, joined to the row's last span where they overlap
// or touch. Spans added left to right come out sorted and joined; `in_order` turns false when one starts
// left of the last, and the row then needs normalising.
void add_span(std::vector<RowSpan>& spans, std::size_t row_start, std::uint32_t begin, std::uint32_t end,
              bool& in_order) {
    if (spans.size() > row_start) {
        RowSpan& last = spans.back();
        if (begin < last.begin) {
            in_order = false;
        } else if (begin <= last.end) {
            last.end = std::max(last.end, end);
            return;
        }
    }
    spans.push_back(RowSpan{begin, end});
}

struct Stamp {
    const Coverage* dots;
    std::int64_t left, top;  // where the shape's canvas lands in the image
};

// The stamps' dots, row by row: each row's spans are added from the stamps left to right, so they are
// sorted and joined as they come unless two glyphs overlap.
Coverage stamp_rows(std::span<const Stamp> stamps, std::int64_t first, std::int64_t last, std::size_t span_bound,
                    std::uint32_t width) {
    Coverage coverage;
    coverage.first_row = std::uint32_t(first);
    coverage.spans.reserve(span_bound);
    coverage.row_ends.reserve(std::size_t(last - first));
    for (std::int64_t row = first; row < last; ++row) {
        const std::size_t row_start = coverage.spans.size();
        bool in_order = true;
        for (const Stamp& stamp : stamps) {
            const std::int64_t shape_row = row - stamp.top;
            if (shape_row < 0 || shape_row >= std::int64_t(stamp.dots->row_count())) continue;
            for (const RowSpan& span : stamp.dots->row(std::size_t(shape_row))) {
                const std::int64_t b = std::clamp<std::int64_t>(stamp.left + span.begin, 0, width);
                const std::int64_t e = std::clamp<std::int64_t>(stamp.left + span.end, 0, width);
                if (b < e) add_span(coverage.spans, row_start, std::uint32_t(b), std::uint32_t(e), in_order);
            }
        }
        if (!in_order) normalise(coverage.spans, row_start);
        coverage.row_ends.push_back(coverage.spans.size());
    }
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
            stamps.push_back(Stamp{&shape.dots, std::int64_t(glyph.pen_x) + shape.left, top});
            span_bound += shape.dots.spans.size();
        });
    }
    if (first >= last) return {};
    if (!std::ranges::is_sorted(stamps, {}, &Stamp::left)) std::ranges::sort(stamps, {}, &Stamp::left);
    return stamp_rows(stamps, first, last, span_bound, width);
}

}  // namespace tavlo::text
