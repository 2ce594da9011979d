#include "glyph_uses.hpp"

#include <algorithm>

#include "glyph_paths.hpp"

#include "../text/glyph_placement.hpp"

namespace tavlo::label {

GlyphUses glyph_uses(const Drawing& drawing) {
    GlyphUses result;
    for (const TextItem& item : drawing.texts) {
        text::for_each_glyph(item, [&](const text::PlacedGlyph& placed) {
            if (glyph_path(placed.character).svg.empty()) return;  // nothing drawn: a space
            const auto same = [&](const GlyphShape& s) { return s.character == placed.character && s.size == item.size; };
            auto found = std::ranges::find_if(result.shapes, same);
            if (found == result.shapes.end()) {
                result.shapes.push_back({placed.character, item.size, glyph_scale(item.size)});
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
