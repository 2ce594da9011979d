// The drawing of a planned label: one rectangle per bar, or per horizontal run of dark modules, each
// narrowed by the bar width reduction (matrix modules in both directions).
#include <algorithm>
#include <utility>

#include "gs1_layout.hpp"
#include "human_readable.hpp"
#include "../write/png_of_matrix.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {
namespace {

// Printers spread ink sideways, so every dark run gives up `reduction` dots, split between its two edges
// (the odd dot from the right), keeping at least one dot.
Rect reduced(std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h, std::uint32_t reduction) {
    const std::uint32_t cut = std::min(reduction, w - 1);
    return {x + cut / 2, y, w - cut, h};
}

void draw_linear(Drawing& drawing, const LinearGeometry& geometry, const Layout& layout) {
    const std::uint32_t origin = layout.left + layout.quiet_zone * layout.x_dots;
    drawing.rects.reserve(geometry.bars.size());
    for (const Bar& bar : geometry.bars) {
        drawing.rects.push_back(reduced(origin + bar.x * layout.x_dots, layout.top, bar.width * layout.x_dots,
                                        layout.symbol_height, layout.bar_width_reduction));
    }
}

// Ink spreads every way, so the dark modules of a matrix symbol give up the reduction on every side that
// borders a light module or the quiet zone: across as a run, as bars do, and down where the module above or
// below is light (the odd dot from the bottom), keeping at least one dot. A run is drawn in pieces of the
// modules that share a top and a bottom; without a reduction, whole.
void draw_matrix(Drawing& drawing, const MatrixGeometry& geometry, const Layout& layout) {
    const std::uint32_t x = layout.x_dots;
    const std::uint32_t left = layout.left + layout.quiet_zone * x;
    const std::uint32_t top = layout.top + layout.quiet_zone * x;
    const std::uint32_t cut_down = std::min(layout.bar_width_reduction, x - 1);
    const std::uint32_t top_cut = cut_down / 2, bottom_cut = cut_down - top_cut;
    const auto dark = [&](std::uint32_t r, std::uint32_t c) {
        return r < geometry.height && geometry.modules[std::size_t(r) * geometry.width + c] != 0;
    };
    for (std::uint32_t r = 0; r < geometry.height; ++r) {
        for (std::uint32_t c = 0; c < geometry.width;) {
            if (!dark(r, c)) {
                ++c;
                continue;
            }
            const std::uint32_t start = c;
            while (c < geometry.width && dark(r, c)) ++c;
            const Rect run = reduced(left + start * x, top + r * x, (c - start) * x, x, layout.bar_width_reduction);
            if (cut_down == 0) {
                drawing.rects.push_back(run);
                continue;
            }
            // r - 1 wraps past the last row for the first row, which reads as light like the quiet zone.
            const auto cuts = [&](std::uint32_t m) {
                return std::pair{dark(r - 1, m) ? 0u : top_cut, dark(r + 1, m) ? 0u : bottom_cut};
            };
            for (std::uint32_t m = start; m < c;) {
                const auto [cut_top, cut_bottom] = cuts(m);
                const std::uint32_t piece = m;
                while (m < c && cuts(m) == std::pair{cut_top, cut_bottom}) ++m;
                const std::uint32_t from = std::max(left + piece * x, run.x);
                const std::uint32_t to = std::min(left + m * x, run.x + run.w);
                if (from < to) drawing.rects.push_back({from, run.y + cut_top, to - from, x - cut_top - cut_bottom});
            }
        }
    }
}

}  // namespace

Symbol symbol_of(const KindSpec& kind, const Encoded& encoded) {
    Symbol symbol{&kind, {}, encoded.human_readable, encoded.addon_modules};
    std::visit([&](const auto& geometry) { symbol.geometry = &geometry; }, encoded.geometry);
    return symbol;
}

namespace {

// The drawing's size and colours, before anything is drawn.
Drawing blank(const Layout& layout, const Options& options) {
    Drawing drawing;
    drawing.width = layout.width;
    drawing.height = layout.height;
    drawing.dpi = layout.dpi;
    drawing.foreground = options.foreground;
    drawing.background = options.background;
    return drawing;
}

}  // namespace

Drawing draw(const Symbol& symbol, const Layout& layout, const Options& options) {
    Drawing drawing = blank(layout, options);
    if (const auto* linear = std::get_if<const LinearGeometry*>(&symbol.geometry)) {
        draw_linear(drawing, **linear, layout);
        add_human_readable(drawing, symbol, layout);
        gs1_layout::add_bearer_bars(drawing, *symbol.kind, layout, (*linear)->total_modules);
    } else {
        draw_matrix(drawing, *std::get<const MatrixGeometry*>(symbol.geometry), layout);
        add_human_readable(drawing, symbol, layout);
    }
    return drawing;
}

// Drawing a matrix symbol as one rectangle per run and sweeping those into bands was most of its PNG's cost (a
// PDF417 of 44 characters: 236,000 of the 307,000 instructions of png()). Without a bar width reduction, which
// needs the rectangles, the bands come from the modules instead.
Result<PngBytes> render_png(const Symbol& symbol, const Layout& layout, const Options& options) {
    const auto* matrix = std::get_if<const MatrixGeometry*>(&symbol.geometry);
    if (!matrix || layout.bar_width_reduction != 0) return write_png(draw(symbol, layout, options), options.optimize);
    Drawing text = blank(layout, options);
    add_human_readable(text, symbol, layout);
    const std::uint32_t x = layout.x_dots;
    const png::MatrixPlacement placement{x, layout.left + layout.quiet_zone * x, layout.top + layout.quiet_zone * x,
                                         layout.height};
    return write_matrix_png(text, **matrix, placement, options.optimize);
}

}  // namespace tavlo::label
