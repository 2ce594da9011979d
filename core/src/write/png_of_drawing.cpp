// PNG of a label: the drawing's rectangles swept top to bottom into bands of identical rows for the band
// writer (or a matrix symbol's modules made into bands directly), in the smallest pixel format the colours
// allow.
#include <algorithm>
#include <functional>
#include <new>
#include <optional>
#include <type_traits>

#include "band_list.hpp"
#include "band_sweep.hpp"
#include "band_overlay.hpp"
#include "matrix_bands.hpp"
#include "png_of_matrix.hpp"
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
    png::MatrixRowScratch matrix_rows;

    // Labels need a few kilobytes here; what a large image needed beyond this bound is let go after it.
    static constexpr std::size_t kept_bytes = 256 * 1024;
    void release_large() {
        bars.release_beyond(kept_bytes);
        if (text_rows.bars.capacity() > kept_bytes) text_rows = {};
        if (sweep.rects.capacity() * sizeof(Rect) > kept_bytes) sweep.rects = {};
        if (sweep.open.capacity() * sizeof(const Rect*) > kept_bytes) sweep.open = {};
        if (sweep.dark.capacity() * sizeof(png::Span) > kept_bytes) sweep.dark = {};
        if (sweep.bits.capacity() * sizeof(std::uint64_t) > kept_bytes) sweep.bits = {};
        if (matrix_rows.edges.capacity() * sizeof(std::uint64_t) > kept_bytes) matrix_rows = {};
        if (matrix_rows.scanline.capacity() > kept_bytes) matrix_rows = {};
    }
};

png::Format format_of(const Drawing& drawing, bool smallest) {
    png::Format format;
    format.pixels = drawing.foreground == black && drawing.background == white ? png::Format::Pixels::Gray1
                                                                               : png::Format::Pixels::Palette1;
    format.light = rgba(drawing.background);
    format.dark = rgba(drawing.foreground);
    format.dpi = drawing.dpi;
    format.smallest = smallest;
    return format;
}

// The PNG of `drawing`'s frame and text over the bands `fill_bars` builds into the scratch's band list. Without
// text, `paint_plain` (when it is not null) gives the rows instead, as the bands would be painted.
template <class FillBars, class PaintPlain>
Result<PngBytes> write_bands(const Drawing& drawing, bool smallest, FillBars&& fill_bars, PaintPlain&& paint_plain) {
    const png::Format format = format_of(drawing, smallest);
    thread_local Scratch scratch;
    try {
        std::optional<text::TextRows> text;
        if (!drawing.texts.empty()) text.emplace(drawing.texts, drawing.width, drawing.height);
        if constexpr (!std::is_null_pointer_v<std::remove_cvref_t<PaintPlain>>) {
            if (!(text && text->first_row() < text->end_row())) {
                const auto paint = [&](png::RowSink& sink) { paint_plain(scratch, png::dark_bit(format), sink); };
                auto png = png::encode_painted(drawing.width, drawing.height, format, std::cref(paint));
                scratch.release_large();
                return png;
            }
        }
        fill_bars(scratch);
        const auto paint = [&](png::RowSink& sink) {
            overlay_text(scratch.bars.bands(), *text, drawing.width, png::dark_bit(format), scratch.text_rows, sink);
        };
        // Passed by reference: a std::function holds that without an allocation of its own.
        auto png = text && text->first_row() < text->end_row()
                       ? png::encode_painted(drawing.width, drawing.height, format, std::cref(paint))
                       : png::encode_bands(drawing.width, scratch.bars.bands(), format);
        scratch.release_large();
        return png;
    } catch (const std::bad_alloc&) {
        scratch = {};
        return std::unexpected(TavloError::render("out of memory"));
    }
}

}  // namespace

Result<PngBytes> write_png(const Drawing& drawing, bool smallest) {
    return write_bands(
        drawing, smallest,
        [&](Scratch& scratch) {
            png::sweep_bands(drawing.rects, drawing.width, drawing.height, scratch.bars, scratch.sweep);
        },
        nullptr);
}

Result<PngBytes> write_matrix_png(const Drawing& drawing, const MatrixGeometry& matrix,
                                  const png::MatrixPlacement& placement, bool smallest) {
    // Without text the rows come from the modules directly: a PDF417 label's bands, and their spans painted,
    // took 31,000 of its 73,000 instructions, its rows so 20,000.
    return write_bands(
        drawing, smallest, [&](Scratch& scratch) { png::matrix_bands(matrix, placement, scratch.bars, scratch.sweep); },
        [&](Scratch& scratch, bool dark_bit, png::RowSink& sink) {
            png::paint_matrix_rows(matrix, placement, drawing.width, dark_bit, sink, scratch.matrix_rows);
        });
}

}  // namespace tavlo::label
