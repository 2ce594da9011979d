// PNG of a label: the drawing's rectangles swept top to bottom into bands of identical rows for the band
// writer, in the smallest pixel format the colours allow.
#include <algorithm>
#include <new>
#include <optional>

#include "band_list.hpp"
#include "band_sweep.hpp"
#include "band_overlay.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {
namespace {

png::Rgba rgba(Colour colour) { return {colour.r, colour.g, colour.b, colour.a}; }

// What one image's bands are built in, kept per thread from one image to the next: a label's bands, and the
// rows its text adds, then cost no allocation once a thread has written a label of that size.
struct Scratch {
    BandList bars;
    OverlayRows text_rows;
    png::SweepScratch sweep;

    // Labels need a few kilobytes here; what a large image needed beyond this bound is let go after it.
    static constexpr std::size_t kept_bytes = 256 * 1024;
    void release_large() {
        bars.release_beyond(kept_bytes);
        if (text_rows.bars.capacity() > kept_bytes) text_rows = {};
        if (sweep.rects.capacity() * sizeof(Rect) > kept_bytes) sweep.rects = {};
        if (sweep.open.capacity() * sizeof(const Rect*) > kept_bytes) sweep.open = {};
        if (sweep.dark.capacity() * sizeof(png::Span) > kept_bytes) sweep.dark = {};
    }
};

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
        png::sweep_bands(drawing.rects, drawing.width, drawing.height, scratch.bars, scratch.sweep);
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
