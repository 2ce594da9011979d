// Text filled to whole dots from glyph shapes kept per thread: a label prints the same few digits at one size
// over and over, and filling an outline costs far more than copying its spans.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "glyph_placement.hpp"

namespace tavlo::text {

namespace {

// One glyph filled with its pen at (0, 0): rows from first_row (negative: above the baseline) down, spans
// in dots from the pen.
struct GlyphShape {
    int first_row = 0;
    std::vector<std::vector<std::pair<int, int>>> rows;
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
    const Coverage coverage = rasterise(outline, width, height);
    GlyphShape shape;
    shape.first_row = int(coverage.first_row) - int(2 * margin);
    for (const auto& row : coverage.rows) {
        auto& spans = shape.rows.emplace_back();
        for (const RowSpan& span : row) spans.emplace_back(int(span.begin) - int(margin), int(span.end) - int(margin));
    }
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

// Sorts a row's spans and joins the overlapping or touching ones.
void normalise(std::vector<RowSpan>& spans) {
    if (spans.size() < 2) return;
    std::ranges::sort(spans, {}, &RowSpan::begin);
    std::size_t out = 0;
    for (std::size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].begin <= spans[out].end)
            spans[out].end = std::max(spans[out].end, spans[i].end);
        else
            spans[++out] = spans[i];
    }
    spans.resize(out + 1);
}

}  // namespace

Coverage rasterise_text(std::span<const TextItem> items, std::uint32_t width, std::uint32_t height) {
    struct Stamp {
        const GlyphShape* shape;
        std::int64_t x, row;
    };
    if (thread_shapes().size() >= max_shapes) thread_shapes().clear();
    std::vector<Stamp> stamps;
    std::int64_t first = height, last = 0;
    for (const TextItem& item : items) {
        for (const PlacedGlyph& glyph : place_glyphs(item)) {
            const GlyphShape& shape = shape_of(glyph.character, item.size);
            if (shape.rows.empty()) continue;
            const std::int64_t top = std::int64_t(glyph.baseline) + shape.first_row;
            first = std::min(first, std::max<std::int64_t>(top, 0));
            last = std::max(last, std::min<std::int64_t>(top + std::int64_t(shape.rows.size()), height));
            stamps.push_back(Stamp{&shape, std::int64_t(glyph.pen_x), top});
        }
    }
    Coverage coverage;
    if (first >= last) return coverage;
    coverage.first_row = std::uint32_t(first);
    coverage.rows.resize(std::size_t(last - first));
    for (const Stamp& stamp : stamps) {
        for (std::size_t r = 0; r < stamp.shape->rows.size(); ++r) {
            const std::int64_t row = stamp.row + std::int64_t(r);
            if (row < first || row >= last) continue;
            auto& spans = coverage.rows[std::size_t(row - first)];
            for (const auto& [begin, end] : stamp.shape->rows[r]) {
                const std::int64_t b = std::clamp<std::int64_t>(stamp.x + begin, 0, width);
                const std::int64_t e = std::clamp<std::int64_t>(stamp.x + end, 0, width);
                if (b < e) spans.push_back(RowSpan{std::uint32_t(b), std::uint32_t(e)});
            }
        }
    }
    for (auto& spans : coverage.rows) normalise(spans);
    return coverage;
}

}  // namespace tavlo::text
