#include "drawing_rows.hpp"

#include <optional>

#include "band_list.hpp"
#include "band_overlay.hpp"
#include "band_sweep.hpp"
#include "bit_row.hpp"

namespace tavlo::label {
namespace {

// Kept per thread from one label to the next, as the PNG writer keeps its own; what a large image needed
// beyond `kept_bytes` is let go after it.
struct Scratch {
    BandList bars;
    OverlayRows text_rows;
    png::SweepScratch sweep;
    std::vector<std::uint8_t> row;

    static constexpr std::size_t kept_bytes = 256 * 1024;
    void release_large() {
        bars.release_beyond(kept_bytes);
        if (text_rows.bars.capacity() > kept_bytes) text_rows = {};
        if (row.capacity() > kept_bytes) row = {};
        if (sweep.rects.capacity() * sizeof(Rect) > kept_bytes) sweep.rects = {};
        if (sweep.open.capacity() * sizeof(const Rect*) > kept_bytes) sweep.open = {};
        if (sweep.dark.capacity() * sizeof(png::Span) > kept_bytes) sweep.dark = {};
    }
};

}  // namespace

void paint_drawing_rows(const Drawing& drawing, bool dark_bit, png::RowSink& sink) {
    thread_local Scratch scratch;
    try {
        png::sweep_bands(drawing.rects, drawing.width, drawing.height, scratch.bars, scratch.sweep);
        std::optional<text::TextRows> text;
        if (!drawing.texts.empty()) text.emplace(drawing.texts, drawing.width, drawing.height);
        if (text && text->first_row() < text->end_row()) {
            overlay_text(scratch.bars.bands(), *text, drawing.width, dark_bit, scratch.text_rows, sink);
        } else {
            // Bands are the fewest, so no two in a row are equal.
            scratch.row.assign(1 + png::bit_row_bytes(drawing.width), 0);
            for (const png::Band& band : scratch.bars.bands()) {
                png::paint_row(band.dark, drawing.width, dark_bit, scratch.row.data() + 1);
                sink.row(scratch.row, band.rows);
            }
        }
        scratch.release_large();
    } catch (...) {
        scratch = {};
        throw;
    }
}

}  // namespace tavlo::label
