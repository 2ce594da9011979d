#include "band_sweep.hpp"

#include <algorithm>

namespace tavlo::png {
namespace {

using label::BandList;
using label::Rect;

// The drawing's rectangles clipped to the image and sorted by row, then column: as drawn, they usually are.
std::span<const Rect> clipped_rects(std::span<const Rect> all, std::uint32_t width, std::uint32_t height,
                                    std::vector<Rect>& rects) {
    const auto inside = [&](const Rect& r) {
        return r.w > 0 && r.h > 0 && r.x < width && r.y < height && r.w <= width - r.x && r.h <= height - r.y;
    };
    const auto by_row = [](const Rect& a, const Rect& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; };
    if (std::ranges::all_of(all, inside) && std::ranges::is_sorted(all, by_row)) return all;
    rects.clear();
    for (const Rect& r : all) {
        if (r.x >= width || r.y >= height || r.w == 0 || r.h == 0) continue;
        rects.push_back({r.x, r.y, std::min(r.w, width - r.x), std::min(r.h, height - r.y)});
    }
    if (!std::ranges::is_sorted(rects, by_row)) std::ranges::sort(rects, by_row);
    return rects;
}

}  // namespace

// Rows change only where a rectangle starts or ends: from one such row to the next every row is the same, and
// the rectangles covering it are those started and not yet ended. Rectangles sorted by row (as drawn) are
// swept without sorting, the next change found among the few that are open.

void sweep_bands(std::span<const Rect> all, std::uint32_t width, std::uint32_t height, BandList& bands,
                 SweepScratch& scratch) {
    const std::span<const Rect> rects = clipped_rects(all, width, height, scratch.rects);
    std::vector<const Rect*>& open = scratch.open;
    std::vector<png::Span>& dark = scratch.dark;
    bands.clear();
    open.clear();
    std::size_t next = 0;
    for (std::uint32_t row = 0; row < height;) {
        while (next < rects.size() && rects[next].y == row) open.push_back(&rects[next++]);
        std::uint32_t until = next < rects.size() ? rects[next].y : height;
        dark.clear();
        for (const Rect* r : open) {
            until = std::min(until, r->y + r->h);
            dark.push_back({r->x, r->x + r->w});
        }
        png::merge_spans(dark);
        bands.add(until - row, dark);
        row = until;
        std::erase_if(open, [row](const Rect* r) { return r->y + r->h <= row; });
    }
}

}  // namespace tavlo::png
