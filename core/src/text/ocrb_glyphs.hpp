// The committed OCR-B table (scripts/gen_ocrb_glyphs.py) and the lookup of one character's glyph in it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace tavlo::text::ocrb {

struct GlyphPoint {
    std::int16_t x;
    std::int16_t y;
};

struct GlyphEntry {
    std::uint16_t advance;      // font units; OCR-B is monospaced
    std::uint16_t first_op;     // index into glyph_ops
    std::uint16_t first_point;  // index into glyph_points
    std::int16_t low;           // lowest y the outline reaches
    std::int16_t high;          // highest y the outline reaches
};

#include "ocrb_glyph_table.inc"

struct Glyph {
    const GlyphEntry& entry;
    std::string_view ops;
    std::span<const GlyphPoint> points;
};

// The glyph of a printable ASCII character; every other byte gets the space (an advance and no outline).
inline Glyph glyph(unsigned char c) {
    const std::size_t index = (c >= first_glyph && c <= last_glyph) ? c - first_glyph : 0;
    const GlyphEntry& entry = glyph_entries[index];
    const GlyphEntry& next = glyph_entries[index + 1];
    return Glyph{entry, glyph_ops.substr(entry.first_op, next.first_op - entry.first_op),
                 std::span(glyph_points).subspan(entry.first_point, next.first_point - entry.first_point)};
}

}  // namespace tavlo::text::ocrb
