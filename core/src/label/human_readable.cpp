#include "human_readable.hpp"

#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "../text/element_lines.hpp"
#include "../text/linear_text.hpp"
#include "gs1_layout.hpp"

namespace tavlo::label {

namespace {

// The layout of a linear kind's line; none for a kind that prints nothing under its bars.
std::optional<text::LinearStyle> style_of(const KindSpec& kind) {
    switch (kind.text) {
    case TextStyle::Ean8: return text::LinearStyle::Ean8;
    case TextStyle::UpcA: return text::LinearStyle::UpcA;
    case TextStyle::Centred: return text::LinearStyle::Centred;
    default: return std::nullopt;
    }
}

const LinearGeometry* linear_geometry(const Symbol& symbol) {
    const auto* linear = std::get_if<const LinearGeometry*>(&symbol.geometry);
    return linear ? *linear : nullptr;
}

}  // namespace

std::uint64_t text_band_height(const Symbol& symbol, std::uint32_t x_dots, std::uint32_t) {
    const auto style = style_of(*symbol.kind);
    const LinearGeometry* geometry = linear_geometry(symbol);
    if (!style || !geometry) return 0;
    return text::band_height(*style, *geometry, symbol.human_readable, x_dots);
}

MatrixTextRoom matrix_text_room(const Symbol& symbol, std::uint32_t x_dots, std::uint32_t dpi) {
    const text::ElementLines lines = text::element_lines(symbol.human_readable, x_dots, dpi);
    return {lines.band, lines.width};
}

namespace {

void add_texts(Drawing& drawing, std::vector<TextItem>&& items) {
    if (drawing.texts.empty())
        drawing.texts = std::move(items);
    else
        drawing.texts.insert(drawing.texts.end(), std::make_move_iterator(items.begin()),
                             std::make_move_iterator(items.end()));
}

void add_matrix_text(Drawing& drawing, const Symbol& symbol, const MatrixGeometry& matrix, const Layout& layout) {
    const std::uint32_t x = layout.x_dots;
    const text::ElementLines lines = text::element_lines(symbol.human_readable, x, layout.dpi);
    const double centre = layout.left + (2.0 * layout.quiet_zone + matrix.width) * x / 2;
    const std::uint32_t band_top = layout.top + (2 * layout.quiet_zone + matrix.height) * x;
    add_texts(drawing, text::place_element_lines(lines, centre, band_top, x));
}

}  // namespace

void add_human_readable(Drawing& drawing, const Symbol& symbol, const Layout& layout) {
    if (layout.text_band == 0) return;
    if (const auto* matrix = std::get_if<const MatrixGeometry*>(&symbol.geometry)) {
        add_matrix_text(drawing, symbol, **matrix, layout);
        return;
    }
    const auto style = style_of(*symbol.kind);
    const LinearGeometry* geometry = linear_geometry(symbol);
    if (!style || !geometry) return;
    const double origin = layout.left + double(layout.quiet_zone) * layout.x_dots;
    const std::uint32_t band_top =
        layout.top + layout.symbol_height + gs1_layout::bearer_dots(*symbol.kind, layout.x_dots);
    text::LinearText placed =
        text::place_text(*style, *geometry, symbol.human_readable, layout.x_dots, origin, band_top);
    // The bars were drawn first, one rectangle per bar in order.
    for (std::size_t bar : placed.extended_bars) drawing.rects[bar].h += placed.bar_extension;
    add_texts(drawing, std::move(placed.items));
}

text::Outline text_outline_of(const Drawing& drawing) {
    text::Outline outline;
    for (const TextItem& item : drawing.texts) text::append_text_outline(outline, item);
    return outline;
}

}  // namespace tavlo::label
