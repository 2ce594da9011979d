#include <algorithm>

#include "ocrb_glyphs.hpp"
#include "tavlo/text.hpp"

namespace tavlo::text {

namespace {

double scale_for(double size) { return size / ocrb::kDigitHeight; }

}  // namespace

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

Outline text_outline(const TextItem& item) {
    const double scale = scale_for(item.size);
    double pen_x = item.x;
    if (item.align == Align::Centre) pen_x -= text_width(item.text, item.size) / 2;
    if (item.align == Align::Right) pen_x -= text_width(item.text, item.size);
    Outline outline;
    for (unsigned char c : item.text) {
        const ocrb::Glyph glyph = ocrb::glyph(c);
        auto to_dots = [&](ocrb::GlyphPoint p) { return Point{pen_x + p.x * scale, item.baseline - p.y * scale}; };
        std::size_t point = 0;
        for (char op : glyph.ops) {
            PathCommand command{PathCommand::Op::Close};
            switch (op) {
                case 'M': command.op = PathCommand::Op::Move; break;
                case 'L': command.op = PathCommand::Op::Line; break;
                case 'C': command.op = PathCommand::Op::Cubic; break;
                default: break;
            }
            const std::size_t count = op == 'C' ? 3 : (op == 'Z' ? 0 : 1);
            for (std::size_t i = 0; i < count; ++i) command.points[i] = to_dots(glyph.points[point++]);
            outline.push_back(command);
        }
        pen_x += glyph.entry.advance * scale;
    }
    return outline;
}

}  // namespace tavlo::text
