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

void append_text_outline(Outline& outline, const TextItem& item) {
    for_each_glyph(item, [&](const PlacedGlyph& glyph) {
        append_glyph_outline(outline, glyph.character, glyph.pen_x, glyph.baseline, item.size);
    });
}

Outline text_outline(const TextItem& item) {
    Outline outline;
    append_text_outline(outline, item);
    return outline;
}

}  // namespace tavlo::text
