// PNG of a label: the drawing's rectangles swept top to bottom into bands of identical rows for the band
// writer, in the smallest pixel format the colours allow.
#include <algorithm>
#include <new>

#include "../render/png_writer.hpp"
#include "../text/band_overlay.hpp"
#include "human_readable.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {
namespace {

png::Rgba rgba(Colour colour) { return {colour.r, colour.g, colour.b, colour.a}; }

// Rows change only where a rectangle starts or ends: from one such row to the next every row is the same, and
// the rectangles covering it are those started and not yet ended. Rectangles sorted by row (as drawn) are
// swept without sorting, the next change found among the few that are open.
std::vector<png::Band> bands_of(const Drawing& drawing) {
    std::vector<Rect> rects;
    rects.reserve(drawing.rects.size());
    for (const Rect& r : drawing.rects) {
        if (r.x >= drawing.width || r.y >= drawing.height || r.w == 0 || r.h == 0) continue;
        rects.push_back({r.x, r.y, std::min(r.w, drawing.width - r.x), std::min(r.h, drawing.height - r.y)});
    }
    const auto by_row = [](const Rect& a, const Rect& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; };
    if (!std::is_sorted(rects.begin(), rects.end(), by_row)) std::sort(rects.begin(), rects.end(), by_row);

    std::vector<png::Band> bands;
    std::vector<const Rect*> open;
    std::vector<png::Span> dark;
    std::size_t next = 0;
    for (std::uint32_t row = 0; row < drawing.height;) {
        while (next < rects.size() && rects[next].y == row) open.push_back(&rects[next++]);
        std::uint32_t until = next < rects.size() ? rects[next].y : drawing.height;
        dark.clear();
        for (const Rect* r : open) {
            until = std::min(until, r->y + r->h);
            dark.push_back({r->x, r->x + r->w});
        }
        png::merge_spans(dark);
        if (!bands.empty() && bands.back().dark == dark)
            bands.back().rows += until - row;
        else
            bands.push_back({until - row, dark});
        row = until;
        std::erase_if(open, [row](const Rect* r) { return r->y + r->h <= row; });
    }
    return bands;
}

}  // namespace

Result<PngBytes> write_png(const Drawing& drawing, bool smallest) {
    png::Format format;
    format.pixels = drawing.foreground == black && drawing.background == white ? png::Format::Pixels::Gray1
                                                                               : png::Format::Pixels::Palette1;
    format.light = rgba(drawing.background);
    format.dark = rgba(drawing.foreground);
    format.dpi = drawing.dpi;
    format.smallest = smallest;
    try {
        std::vector<png::Band> bands = bands_of(drawing);
        if (!drawing.texts.empty()) {
            text::overlay(bands, text::rasterise_text(drawing.texts, drawing.width, drawing.height));
        }
        return png::encode_bands(drawing.width, bands, format);
    } catch (const std::bad_alloc&) {
        return std::unexpected(TavloError::render("out of memory"));
    }
}

}  // namespace tavlo::label
