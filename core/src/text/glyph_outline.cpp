#include <algorithm>
#include <cmath>

#include "glyph_placement.hpp"

namespace tavlo::text {

double text_width(std::string_view text, double size) {
    double units = 0;
    for (unsigned char c : text) units += ocrb::glyph(c).entry.advance;
    return units * scale_for(size);
}

VerticalExtent text_extent(std::string_view text, double size) {
    int high = 0, low = 0;
    for (unsigned char c : text) {
        const auto& entry = ocrb::glyph(c).entry;
        if (entry.high == entry.low) continue;  // no outline
        high = std::max<int>(high, entry.high);
        low = std::min<int>(low, entry.low);
    }
    return VerticalExtent{high * scale_for(size), -low * scale_for(size)};
}

std::vector<PlacedGlyph> place_glyphs(const TextItem& item) {
    double start = item.x;
    if (item.align == Align::Centre) start -= text_width(item.text, item.size) / 2;
    if (item.align == Align::Right) start -= text_width(item.text, item.size);
    const double scale = scale_for(item.size), baseline = std::round(item.baseline);
    std::vector<PlacedGlyph> glyphs;
    glyphs.reserve(item.text.size());
    double units = 0;  // advance so far, so rounding never accumulates
    for (unsigned char c : item.text) {
        glyphs.push_back(PlacedGlyph{c, std::round(start + units * scale), baseline});
        units += ocrb::glyph(c).entry.advance;
    }
    return glyphs;
}

void append_glyph_outline(Outline& outline, unsigned char character, double pen_x, double baseline, double size) {
    const double scale = scale_for(size);
    const ocrb::Glyph glyph = ocrb::glyph(character);
    auto to_dots = [&](ocrb::GlyphPoint p) { return Point{pen_x + p.x * scale, baseline - p.y * scale}; };
    std::size_t point = 0;
    for (char op : glyph.ops) {
        PathCommand command{op == 'M'   ? PathCommand::Op::Move
                            : op == 'L' ? PathCommand::Op::Line
                            : op == 'C' ? PathCommand::Op::Cubic
                                        : PathCommand::Op::Close};
        const std::size_t count = op == 'C' ? 3 : (op == 'Z' ? 0 : 1);
        for (std::size_t i = 0; i < count; ++i) command.points[i] = to_dots(glyph.points[point++]);
        outline.push_back(command);
    }
}

Outline text_outline(const TextItem& item) {
    Outline outline;
    for (const PlacedGlyph& glyph : place_glyphs(item)) {
        append_glyph_outline(outline, glyph.character, glyph.pen_x, glyph.baseline, item.size);
    }
    return outline;
}

}  // namespace tavlo::text
