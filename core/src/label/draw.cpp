// The drawing of a planned label: one rectangle per bar, or per horizontal run of dark modules, each
// narrowed by the bar width reduction.
#include <algorithm>

#include "gs1_layout.hpp"
#include "human_readable.hpp"
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

void draw_matrix(Drawing& drawing, const MatrixGeometry& geometry, const Layout& layout) {
    const std::uint32_t x = layout.x_dots;
    const std::uint32_t left = layout.left + layout.quiet_zone * x;
    const std::uint32_t top = layout.top + layout.quiet_zone * x;
    for (std::uint32_t r = 0; r < geometry.height; ++r) {
        const std::uint8_t* row = geometry.modules.data() + std::size_t(r) * geometry.width;
        for (std::uint32_t c = 0; c < geometry.width;) {
            if (!row[c]) {
                ++c;
                continue;
            }
            const std::uint32_t start = c;
            while (c < geometry.width && row[c]) ++c;
            drawing.rects.push_back(
                reduced(left + start * x, top + r * x, (c - start) * x, x, layout.bar_width_reduction));
        }
    }
}

}  // namespace

Symbol symbol_of(const KindSpec& kind, const Encoded& encoded) {
    Symbol symbol{&kind, {}, encoded.human_readable, encoded.addon_modules};
    std::visit([&](const auto& geometry) { symbol.geometry = &geometry; }, encoded.geometry);
    return symbol;
}

Drawing draw(const Symbol& symbol, const Layout& layout, const Options& options) {
    Drawing drawing;
    drawing.width = layout.width;
    drawing.height = layout.height;
    drawing.dpi = layout.dpi;
    drawing.foreground = options.foreground;
    drawing.background = options.background;
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

}  // namespace tavlo::label
