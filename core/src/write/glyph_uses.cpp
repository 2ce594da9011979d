#include "glyph_uses.hpp"

#include <algorithm>
#include <cmath>

#include "../text/glyph_placement.hpp"

namespace tavlo::label {

GlyphUses glyph_uses(const Drawing& drawing) {
    GlyphUses result;
    for (const TextItem& item : drawing.texts) {
        text::for_each_glyph(item, [&](const text::PlacedGlyph& placed) {
            const auto same = [&](const GlyphShape& s) { return s.character == placed.character && s.size == item.size; };
            auto found = std::ranges::find_if(result.shapes, same);
            if (found == result.shapes.end()) {
                GlyphShape shape{placed.character, item.size, {}, 0, 0, 0, 0};
                text::append_glyph_outline(shape.outline, placed.character, 0, 0, item.size);
                if (shape.outline.empty()) return;  // nothing drawn: a space
                shape.left = shape.top = INFINITY;
                shape.right = shape.bottom = -INFINITY;
                for (const text::PathCommand& command : shape.outline) {
                    const int points = command.op == text::PathCommand::Op::Cubic ? 3
                                       : command.op == text::PathCommand::Op::Close ? 0 : 1;
                    for (int i = 0; i < points; ++i) {
                        shape.left = std::min(shape.left, command.points[i].x);
                        shape.right = std::max(shape.right, command.points[i].x);
                        shape.top = std::min(shape.top, command.points[i].y);
                        shape.bottom = std::max(shape.bottom, command.points[i].y);
                    }
                }
                result.shapes.push_back(std::move(shape));
                found = result.shapes.end() - 1;
            }
            result.uses.push_back({static_cast<std::uint32_t>(found - result.shapes.begin()),
                                   static_cast<std::int64_t>(placed.pen_x), static_cast<std::int64_t>(placed.baseline)});
        });
    }
    return result;
}

void append_shape_name(std::string& out, std::size_t n) {
    char letters[16];
    std::size_t count = 0;
    do {
        letters[count++] = static_cast<char>('a' + n % 26);
        n /= 26;
    } while (n > 0);
    while (count > 0) out += letters[--count];
}

}  // namespace tavlo::label
