#include "band_overlay.hpp"

#include <algorithm>

namespace tavlo::label {

void overlay_text(std::span<const png::Band> bars, text::TextRows& text, BandList& out) {
    out.clear();
    const std::uint64_t first = text.first_row(), last = text.end_row();
    std::uint64_t top = 0;
    for (const png::Band& band : bars) {
        const std::uint64_t bottom = top + band.rows;
        if (bottom <= first || top >= last) {
            out.push(band.rows, band.dark);
            top = bottom;
            continue;
        }
        if (top < first) out.push(std::uint32_t(first - top), band.dark);
        for (std::uint64_t row = std::max(top, first); row < std::min(bottom, last); ++row) {
            const std::span<const png::Span> dark = text.next(band.dark);
            // Straight stretches of the glyphs repeat rows; one band each keeps the image's description short.
            if (!out.empty() && std::ranges::equal(out.back().dark, dark))
                ++out.back().rows;
            else
                out.push(1, dark);
        }
        if (bottom > last) out.push(std::uint32_t(bottom - last), band.dark);
        top = bottom;
    }
}

}  // namespace tavlo::label
