#include "text_runs.hpp"

#include <algorithm>

#include "../text/glyph_placement.hpp"

namespace tavlo::label {
namespace {

bool drawn(unsigned char c) { return c > ' ' && c <= '~'; }

}  // namespace

std::vector<TextRun> text_runs(const Drawing& drawing) {
    std::vector<TextRun> runs;
    for (const TextItem& item : drawing.texts) {
        if (std::ranges::none_of(item.text, [](char c) { return drawn(static_cast<unsigned char>(c)); })) continue;
        TextRun* run = runs.empty() ? nullptr : &runs.back();
        text::for_each_glyph(item, [&](const text::PlacedGlyph& placed) {
            const auto baseline = static_cast<std::int64_t>(placed.baseline);
            if (!run || run->size != item.size || run->baseline != baseline)
                run = &runs.emplace_back(TextRun{item.size, baseline, {}, {}});
            run->text += drawn(placed.character) ? static_cast<char>(placed.character) : ' ';
            run->pens.push_back(static_cast<std::int64_t>(placed.pen_x));
        });
    }
    return runs;
}

double ocrb_em(double size) { return size * text::ocrb::units_per_em / text::ocrb::digit_height; }

double ocrb_advance(double size) { return text::scale_for(size) * text::ocrb::glyph('0').entry.advance; }

}  // namespace tavlo::label
