#include <algorithm>
#include <cmath>
#include <new>
#include <optional>

#include "png_writer.hpp"
#include "tavlo/render.hpp"

namespace tavlo {

namespace {

// The widest canvas whose row of 4-byte pixels stays within 2147483647 bytes.
constexpr std::uint32_t max_canvas_width = 536870911;

// Our own bound on the whole canvas: its 4-byte pixels, counted in bytes, must fit an unsigned 32-bit
// integer (2^30 pixels less a few, 32768 × 32767 or 536870911 × 2). The encoder never holds the canvas, so
// the bound is not about our memory: beyond it lie only images that common readers refuse to decode, and a
// careless size (a height in the billions of pixels, or inches taken for pixels) is refused at once instead
// of producing gigabytes.
constexpr std::uint64_t max_canvas_bytes = 4294967295;

// From this side length on, a rectangle covers exactly its rounded area; below it, a rectangle narrower or
// lower than one pixel still paints one column or row at its start.
constexpr std::uint32_t exact_side = 8192;

struct Canvas {
    std::uint32_t width;
    std::uint32_t height;
    bool at_least_one_pixel;  // both sides below exact_side
};

Result<Canvas> make_canvas(const PngRequest& request) {
    const auto size = pixel_size(request.width, request.height, request.unit, request.dpi);
    if (!size) return std::unexpected(size.error());
    const std::uint32_t w = size->width_px;
    const std::uint32_t h = size->height_px;
    if (w == 0 || h == 0) return std::unexpected(TavloError::render("Invalid dimensions"));
    if (w > max_canvas_width || std::uint64_t{4} * w * h > max_canvas_bytes) {
        return std::unexpected(TavloError::render("Failed to create pixmap"));
    }
    return Canvas{w, h, w < exact_side && h < exact_side};
}

// The pixels [begin, end) along one axis that a rectangle from rounded edge `from` to rounded edge `to`
// covers, clipped to [0, limit). Edges that are not finite (a symbol of zero modules across) or that run
// backwards (module positions wrapped past 2^32 by a quiet zone in the billions) paint nothing.
std::optional<png::Span> covered(float from, float to, bool at_least_one_pixel, std::uint32_t limit) {
    if (!std::isfinite(from) || !std::isfinite(to) || to < from) return std::nullopt;
    // Exact in double: the edges are whole numbers below 2^63.
    const double last = static_cast<double>(limit);
    const double begin = std::min<double>(from, last);
    const double end = std::min(at_least_one_pixel ? std::max<double>(to, double{from} + 1.0) : to, last);
    if (!(begin < end)) return std::nullopt;
    return png::Span{static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end)};
}

// Pixels per module, and module edge i at roundf(i × scale): all in single precision, on which the rounding
// of half-way cases depends.
float scale(std::uint32_t pixels, std::uint32_t modules) {
    return static_cast<float>(pixels) / static_cast<float>(modules);
}
float edge(std::uint32_t i, float scale) { return std::roundf(static_cast<float>(i) * scale); }

Result<PngBytes> encode(const Canvas& canvas, std::span<const png::Band> bands) {
    try {
        return png::encode_bands(canvas.width, bands);
    } catch (const std::bad_alloc&) {
        return std::unexpected(TavloError::render("Failed to create pixmap"));
    }
}

// One module row painted into pixel rows `rows` with the merged dark columns `dark`.
struct PaintedRow {
    png::Span rows;
    std::vector<png::Span> dark;
};

// Adds a span at or after the last one, merging it into the last when they overlap or touch.
void append_merged(std::vector<png::Span>& spans, png::Span span) {
    if (!spans.empty() && span.begin <= spans.back().end) {
        spans.back().end = std::max(spans.back().end, span.end);
    } else {
        spans.push_back(span);
    }
}

// The bands of identical pixel rows, top to bottom. A pixel row is dark wherever any module row painted
// over it is: rows of zero height still paint one pixel row, which they share with their neighbour.
//
// Painted rows that start and end in order, as they do unless module positions wrap past 2^32, cover each
// pixel row with a range of them, found by one sweep.
std::vector<png::Band> bands_in_order(std::vector<PaintedRow>& painted, std::uint32_t height) {
    std::vector<png::Band> bands;
    bands.reserve(2 * painted.size() + 1);
    const auto add = [&bands](std::uint32_t rows, std::vector<png::Span>&& dark) {
        if (!bands.empty() && bands.back().dark == dark)
            bands.back().rows += rows;
        else
            bands.push_back({rows, std::move(dark)});
    };
    std::size_t first = 0;  // the first painted row that ends below y
    std::size_t last = 0;   // the first painted row that starts below y
    for (std::uint32_t y = 0; y < height;) {
        while (first < painted.size() && painted[first].rows.end <= y) ++first;
        while (last < painted.size() && painted[last].rows.begin <= y) ++last;
        std::uint32_t next = height;
        if (first < last) next = std::min(next, painted[first].rows.end);
        if (last < painted.size()) next = std::min(next, painted[last].rows.begin);
        if (first == last) {
            add(next - y, {});
        } else if (last - first == 1 && painted[first].rows.begin == y && painted[first].rows.end == next) {
            add(next - y, std::move(painted[first].dark));  // the row's only band
        } else {
            std::vector<png::Span> dark;
            for (std::size_t i = first; i < last; ++i)
                dark.insert(dark.end(), painted[i].dark.begin(), painted[i].dark.end());
            png::merge_spans(dark);
            add(next - y, std::move(dark));
        }
        y = next;
    }
    return bands;
}

// Any painted rows: the pixel rows between consecutive row edges, each with every painted row over it.
std::vector<png::Band> bands_by_cuts(const std::vector<PaintedRow>& painted, std::uint32_t height) {
    std::vector<std::uint32_t> cuts = {0, height};
    for (const PaintedRow& row : painted) {
        cuts.push_back(row.rows.begin);
        cuts.push_back(row.rows.end);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    std::vector<png::Band> bands;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        std::vector<png::Span> dark;
        for (const PaintedRow& row : painted) {
            if (row.rows.begin <= cuts[i] && cuts[i] < row.rows.end) {
                dark.insert(dark.end(), row.dark.begin(), row.dark.end());
            }
        }
        png::merge_spans(dark);
        const std::uint32_t rows = cuts[i + 1] - cuts[i];
        if (!bands.empty() && bands.back().dark == dark)
            bands.back().rows += rows;
        else
            bands.push_back({rows, std::move(dark)});
    }
    return bands;
}

std::vector<png::Band> bands_of(std::vector<PaintedRow>& painted, std::uint32_t height) {
    const auto in_order = [&](auto edge) {
        return std::is_sorted(painted.begin(), painted.end(),
                              [&](const PaintedRow& a, const PaintedRow& b) { return edge(a) < edge(b); });
    };
    if (in_order([](const PaintedRow& row) { return row.rows.begin; }) &&
        in_order([](const PaintedRow& row) { return row.rows.end; })) {
        return bands_in_order(painted, height);
    }
    return bands_by_cuts(painted, height);
}

}  // namespace

Result<PngBytes> render_linear_png(const LinearGeometry& geometry, const PngRequest& request) {
    const auto canvas = make_canvas(request);
    if (!canvas) return std::unexpected(canvas.error());
    const std::uint32_t q = request.quiet_zone_modules;
    const float scale_x = scale(canvas->width, with_quiet_zone(geometry.total_modules, q));

    std::vector<png::Span> dark;
    dark.reserve(geometry.bars.size());
    for (const Bar& bar : geometry.bars) {
        const std::uint32_t a = bar.x + q;
        const std::uint32_t b = a + bar.width;
        if (auto span = covered(edge(a, scale_x), edge(b, scale_x), canvas->at_least_one_pixel, canvas->width)) {
            dark.push_back(*span);
        }
    }
    png::merge_spans(dark);
    // The bars run the full height: one band.
    const png::Band band{canvas->height, std::move(dark)};
    return encode(*canvas, {&band, 1});
}

Result<PngBytes> render_matrix_png(const MatrixGeometry& geometry, const PngRequest& request) {
    const auto canvas = make_canvas(request);
    if (!canvas) return std::unexpected(canvas.error());
    const std::uint32_t q = request.quiet_zone_modules;
    const float scale_x = scale(canvas->width, with_quiet_zone(geometry.width, q));
    const float scale_y = scale(canvas->height, with_quiet_zone(geometry.height, q));

    std::vector<std::optional<png::Span>> columns(geometry.width);
    for (std::uint32_t c = 0; c < geometry.width; ++c) {
        columns[c] = covered(edge(q + c, scale_x), edge(q + c + 1, scale_x), canvas->at_least_one_pixel, canvas->width);
    }

    std::vector<PaintedRow> painted;
    const std::uint8_t* module = geometry.modules.data();
    for (std::uint32_t r = 0; r < geometry.height; ++r, module += geometry.width) {
        const auto rows =
            covered(edge(q + r, scale_y), edge(q + r + 1, scale_y), canvas->at_least_one_pixel, canvas->height);
        if (!rows) continue;
        std::vector<png::Span> dark;
        for (std::uint32_t c = 0; c < geometry.width; ++c) {
            if (module[c] && columns[c]) append_merged(dark, *columns[c]);
        }
        if (!dark.empty()) painted.push_back({*rows, std::move(dark)});
    }
    const std::vector<png::Band> bands = bands_of(painted, canvas->height);
    return encode(*canvas, bands);
}

}  // namespace tavlo
