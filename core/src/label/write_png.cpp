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

// Rows change only where a rectangle starts or ends: between two such cuts every row is the same, and the
// rectangles covering it are those started and not yet ended.
std::vector<png::Band> bands_of(const Drawing& drawing) {
    std::vector<Rect> rects;
    rects.reserve(drawing.rects.size());
    for (const Rect& r : drawing.rects) {
        if (r.x >= drawing.width || r.y >= drawing.height) continue;
        rects.push_back({r.x, r.y, std::min(r.w, drawing.width - r.x), std::min(r.h, drawing.height - r.y)});
    }
    std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) { return a.y < b.y; });
    std::vector<std::uint32_t> cuts = {0, drawing.height};
    for (const Rect& r : rects) {
        cuts.push_back(r.y);
        cuts.push_back(r.y + r.h);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    std::vector<png::Band> bands;
    std::vector<const Rect*> active;
    std::size_t next = 0;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        const std::uint32_t row = cuts[i];
        std::erase_if(active, [row](const Rect* r) { return r->y + r->h <= row; });
        while (next < rects.size() && rects[next].y <= row) active.push_back(&rects[next++]);
        std::vector<png::Span> dark;
        dark.reserve(active.size());
        for (const Rect* r : active) dark.push_back({r->x, r->x + r->w});
        png::merge_spans(dark);
        const std::uint32_t rows = cuts[i + 1] - row;
        if (!bands.empty() && bands.back().dark == dark) bands.back().rows += rows;
        else bands.push_back({rows, std::move(dark)});
    }
    return bands;
}

}  // namespace

Result<PngBytes> write_png(const Drawing& drawing) {
    png::Format format;
    format.pixels = drawing.foreground == black && drawing.background == white ? png::Format::Pixels::Gray1
                                                                               : png::Format::Pixels::Palette1;
    format.light = rgba(drawing.background);
    format.dark = rgba(drawing.foreground);
    format.dpi = drawing.dpi;
    try {
        std::vector<png::Band> bands = bands_of(drawing);
        text::overlay(bands, text::rasterise_text(drawing.texts, drawing.width, drawing.height));
        return png::encode_bands(drawing.width, bands, format);
    } catch (const std::bad_alloc&) {
        return std::unexpected(TavloError::render("out of memory"));
    }
}

}  // namespace tavlo::label
