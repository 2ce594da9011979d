// PNG of a label: the drawing's rectangles swept top to bottom into bands of identical rows for the band
// writer, in the smallest pixel format the colours allow.
#include <algorithm>
#include <new>
#include <optional>

#include "band_list.hpp"
#include "band_overlay.hpp"
#include "human_readable.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {
namespace {

png::Rgba rgba(Colour colour) { return {colour.r, colour.g, colour.b, colour.a}; }

// What one image's bands are built in, kept per thread from one image to the next: a label's bands, and the
// rows its text adds, then cost no allocation once a thread has written a label of that size.
struct Scratch {
    BandList bars;
    OverlayRows text_rows;
    std::vector<Rect> rects;
    std::vector<const Rect*> open;
    std::vector<png::Span> dark;

    // Labels need a few kilobytes here; what a large image needed beyond this bound is let go after it.
    static constexpr std::size_t kept_bytes = 256 * 1024;
    void release_large() {
        bars.release_beyond(kept_bytes);
        if (text_rows.bars.capacity() > kept_bytes) text_rows = {};
        if (rects.capacity() * sizeof(Rect) > kept_bytes) rects = {};
        if (open.capacity() * sizeof(const Rect*) > kept_bytes) open = {};
        if (dark.capacity() * sizeof(png::Span) > kept_bytes) dark = {};
    }
};

// The drawing's rectangles clipped to the image and sorted by row, then column: as drawn, they usually are.
std::span<const Rect> clipped_rects(const Drawing& drawing, std::vector<Rect>& rects) {
    const auto inside = [&](const Rect& r) {
        return r.w > 0 && r.h > 0 && r.x < drawing.width && r.y < drawing.height && r.w <= drawing.width - r.x &&
               r.h <= drawing.height - r.y;
    };
    const auto by_row = [](const Rect& a, const Rect& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; };
    if (std::ranges::all_of(drawing.rects, inside) && std::ranges::is_sorted(drawing.rects, by_row))
        return drawing.rects;
    rects.clear();
    for (const Rect& r : drawing.rects) {
        if (r.x >= drawing.width || r.y >= drawing.height || r.w == 0 || r.h == 0) continue;
        rects.push_back({r.x, r.y, std::min(r.w, drawing.width - r.x), std::min(r.h, drawing.height - r.y)});
    }
    if (!std::ranges::is_sorted(rects, by_row)) std::ranges::sort(rects, by_row);
    return rects;
}

// Rows change only where a rectangle starts or ends: from one such row to the next every row is the same, and
// the rectangles covering it are those started and not yet ended. Rectangles sorted by row (as drawn) are
// swept without sorting, the next change found among the few that are open.
void bands_of(const Drawing& drawing, Scratch& scratch) {
    const std::span<const Rect> rects = clipped_rects(drawing, scratch.rects);
    BandList& bands = scratch.bars;
    std::vector<const Rect*>& open = scratch.open;
    std::vector<png::Span>& dark = scratch.dark;
    bands.clear();
    open.clear();
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
        if (!bands.empty() && std::ranges::equal(bands.back().dark, dark))
            bands.back().rows += until - row;
        else
            bands.push(until - row, dark);
        row = until;
        std::erase_if(open, [row](const Rect* r) { return r->y + r->h <= row; });
    }
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
    thread_local Scratch scratch;
    try {
        bands_of(drawing, scratch);
        std::optional<text::TextRows> text;
        if (!drawing.texts.empty()) text.emplace(drawing.texts, drawing.width, drawing.height);
        auto png = text && text->first_row() < text->end_row()
                       ? png::encode_painted(drawing.width, drawing.height, format,
                                             [&](png::RowSink& sink) {
                                                 overlay_text(scratch.bars.bands(), *text, drawing.width,
                                                              png::dark_bit(format), scratch.text_rows, sink);
                                             })
                       : png::encode_bands(drawing.width, scratch.bars.bands(), format);
        scratch.release_large();
        return png;
    } catch (const std::bad_alloc&) {
        scratch = {};
        return std::unexpected(TavloError::render("out of memory"));
    }
}

}  // namespace tavlo::label
