#include "band_overlay.hpp"

#include <algorithm>

namespace tavlo::text {

void overlay(std::vector<png::Band>& bands, const Coverage& coverage) {
    if (coverage.rows.empty()) return;
    const std::uint64_t first = coverage.first_row, last = first + coverage.rows.size();
    std::vector<png::Band> out;
    out.reserve(bands.size() + coverage.rows.size() + 1);
    std::uint64_t top = 0;
    for (png::Band& band : bands) {
        const std::uint64_t bottom = top + band.rows;
        if (bottom <= first || top >= last) {
            out.push_back(std::move(band));
            top = bottom;
            continue;
        }
        if (top < first) out.push_back({std::uint32_t(first - top), band.dark});
        for (std::uint64_t row = std::max(top, first); row < std::min(bottom, last); ++row) {
            png::Band single{1, band.dark};
            for (const RowSpan& span : coverage.rows[row - first]) single.dark.push_back({span.begin, span.end});
            png::merge_spans(single.dark);
            // Straight stretches of the glyphs repeat rows; one band each keeps the image's description short.
            if (!out.empty() && out.back().dark == single.dark)
                ++out.back().rows;
            else
                out.push_back(std::move(single));
        }
        if (bottom > last) out.push_back({std::uint32_t(bottom - last), std::move(band.dark)});
        top = bottom;
    }
    bands = std::move(out);
}

}  // namespace tavlo::text
