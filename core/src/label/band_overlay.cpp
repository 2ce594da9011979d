#include "band_overlay.hpp"

#include <algorithm>

namespace tavlo::label {

namespace {

// The dark columns of a bar row and a text row together, into `out`. Both are sorted and neither overlaps
// nor touches itself, so one pass in column order gives the sorted, joined union.
void unite(std::span<const png::Span> bars, std::span<const text::RowSpan> text, std::vector<png::Span>& out) {
    out.clear();
    const auto add = [&out](std::uint32_t begin, std::uint32_t end) {
        if (!out.empty() && begin <= out.back().end)
            out.back().end = std::max(out.back().end, end);
        else
            out.push_back({begin, end});
    };
    std::size_t b = 0, t = 0;
    while (b < bars.size() || t < text.size()) {
        if (t == text.size() || (b < bars.size() && bars[b].begin <= text[t].begin)) {
            add(bars[b].begin, bars[b].end);
            ++b;
        } else {
            add(text[t].begin, text[t].end);
            ++t;
        }
    }
}

}  // namespace

void overlay_text(std::span<const png::Band> bars, const text::Coverage& coverage, BandList& out,
                  std::vector<png::Span>& row) {
    out.clear();
    const std::uint64_t first = coverage.first_row, last = first + coverage.row_count();
    std::uint64_t top = 0;
    for (const png::Band& band : bars) {
        const std::uint64_t bottom = top + band.rows;
        if (bottom <= first || top >= last) {
            out.push(band.rows, band.dark);
            top = bottom;
            continue;
        }
        if (top < first) out.push(std::uint32_t(first - top), band.dark);
        for (std::uint64_t r = std::max(top, first); r < std::min(bottom, last); ++r) {
            unite(band.dark, coverage.row(r - first), row);
            // Straight stretches of the glyphs repeat rows; one band each keeps the image's description short.
            if (!out.empty() && std::ranges::equal(out.back().dark, row))
                ++out.back().rows;
            else
                out.push(1, row);
        }
        if (bottom > last) out.push(std::uint32_t(bottom - last), band.dark);
        top = bottom;
    }
}

}  // namespace tavlo::label
