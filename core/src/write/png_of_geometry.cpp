#include <algorithm>
#include <cmath>
#include <new>
#include <optional>

#include "band_sweep.hpp"
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

// Adds a span at or after the last one, merging it into the last when they overlap or touch.
void append_merged(std::vector<png::Span>& spans, png::Span span) {
    if (!spans.empty() && span.begin <= spans.back().end) {
        spans.back().end = std::max(spans.back().end, span.end);
    } else {
        spans.push_back(span);
    }
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

    // Each module row paints its pixel rows; rows of zero height still paint one pixel row, which they share
    // with their neighbour, and a pixel row is dark wherever any module row painted over it is.
    std::vector<label::Rect> rects;
    std::vector<png::Span> dark;
    const std::uint8_t* module = geometry.modules.data();
    for (std::uint32_t r = 0; r < geometry.height; ++r, module += geometry.width) {
        const auto rows =
            covered(edge(q + r, scale_y), edge(q + r + 1, scale_y), canvas->at_least_one_pixel, canvas->height);
        if (!rows) continue;
        dark.clear();
        for (std::uint32_t c = 0; c < geometry.width; ++c) {
            if (module[c] && columns[c]) append_merged(dark, *columns[c]);
        }
        for (const png::Span& span : dark)
            rects.push_back({span.begin, rows->begin, span.end - span.begin, rows->end - rows->begin});
    }
    try {
        label::BandList bands;
        png::SweepScratch scratch;
        png::sweep_bands(rects, canvas->width, canvas->height, bands, scratch);
        return encode(*canvas, bands.bands());
    } catch (const std::bad_alloc&) {
        return std::unexpected(TavloError::render("Failed to create pixmap"));
    }
}

}  // namespace tavlo
