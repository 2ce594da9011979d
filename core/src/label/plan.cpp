// Print-exact sizing: every module a whole number of dots, the image a whole number of dots, the symbol
// centred in any room a fixed width or height leaves over.
#include <algorithm>
#include <cmath>
#include <string>

#include "gs1_layout.hpp"
#include "human_readable.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {
namespace {

// Our bound on a side: coordinates, and sums of a coordinate and a side, stay within 32 bits, and nothing
// printable comes near it (2^31 dots are 180 km at 300 dpi).
constexpr std::uint64_t max_side = 2147483647;

// The least bar height: 15 % of the symbol's width, and never under a quarter inch.
constexpr double min_height_share = 0.15;
constexpr double min_height_inches = 0.25;

// Saturated past max_side, so that a side too large is refused rather than wrapped; NaN and negative give 0.
std::uint64_t nearest_dots(const Length& length, std::uint32_t dpi) {
    const double dots = std::round(length.dots(dpi));
    if (!(dots > 0)) return 0;
    return dots > static_cast<double>(max_side) ? max_side + 1 : static_cast<std::uint64_t>(dots);
}

TavloError too_small(const char* what, std::uint64_t asked, std::uint64_t needed) {
    return TavloError::render("the " + std::string(what) + " of " + std::to_string(asked) + " dots is less than the " +
                              std::to_string(needed) + " dots the label needs");
}

TavloError too_many_pixels(std::uint64_t width, std::uint64_t height, std::uint64_t most) {
    return TavloError::render("the label of " + std::to_string(width) + " x " + std::to_string(height) + " dots has " +
                              std::to_string(width * height) + " pixels, more than max_pixels=" + std::to_string(most));
}

TavloError side_too_large() {
    return TavloError::render("a label side may not exceed " + std::to_string(max_side) + " dots");
}

struct Extent {
    std::uint64_t modules_across;  // quiet zones included
    std::uint64_t modules_down;    // matrix only
    std::uint64_t symbol_modules;  // across, without quiet zones
};

Extent extent_of(const Symbol& symbol, std::uint32_t quiet_left, std::uint32_t quiet_right) {
    if (const auto* linear = std::get_if<const LinearGeometry*>(&symbol.geometry)) {
        const std::uint64_t framed = quiet_left + quiet_right + 2ull * gs1_layout::frame_modules(*symbol.kind);
        return {(*linear)->total_modules + framed, 0, (*linear)->total_modules};
    }
    const MatrixGeometry& matrix = *std::get<const MatrixGeometry*>(symbol.geometry);
    return {matrix.width + 2ull * quiet_left, matrix.height + 2ull * quiet_left, matrix.width};
}

// The module width in dots: the asked X rounded to whole dots, or the widest that fits an asked width.
Result<std::uint64_t> module_dots(const Symbol& symbol, const Options& options, const Extent& extent,
                                  std::uint32_t dpi, std::uint64_t asked_width) {
    if (options.x_dim || !options.width) {
        return std::max<std::uint64_t>(nearest_dots(options.x_dim.value_or(symbol.kind->x_dim), dpi), 1);
    }
    const std::uint64_t x = asked_width / std::max<std::uint64_t>(extent.modules_across, 1);
    if (x == 0) return std::unexpected(too_small("width", asked_width, extent.modules_across));
    return x;
}

// What lies above and below the symbol, and how wide the image must be for its text.
struct Vertical {
    std::uint64_t width;  // the image width, widened where a matrix symbol's text needs it
    std::uint64_t height, symbol_height, top, text_band;
};

Result<Vertical> linear_vertical(const Symbol& symbol, const Options& options, const Extent& extent, std::uint64_t x,
                                 std::uint32_t dpi, std::uint64_t width) {
    const std::uint64_t text_band =
        options.text.value_or(true) ? text_band_height(symbol, static_cast<std::uint32_t>(x), dpi) : 0;
    // Bearer bars sit directly above and below the bars.
    const std::uint64_t bearers = 2ull * gs1_layout::bearer_dots(*symbol.kind, static_cast<std::uint32_t>(x));
    std::uint64_t height = 0, symbol_height = 0;
    if (options.height) {
        height = nearest_dots(*options.height, dpi);
        const std::uint64_t least = text_band + bearers + 1;
        if (height < least) return std::unexpected(too_small("height", height, least));
        symbol_height = height - text_band - bearers;
    } else {
        double least =
            std::max(min_height_share * static_cast<double>(extent.symbol_modules * x), min_height_inches * dpi);
        if (const auto& standard = symbol.kind->bar_height) least = std::max(least, standard->dots(dpi));
        symbol_height = static_cast<std::uint64_t>(std::ceil(least));
        height = symbol_height + text_band + bearers;
    }
    return Vertical{width, height, symbol_height, bearers / 2, std::min(text_band, max_side)};
}

Result<Vertical> matrix_vertical(const Symbol& symbol, const Options& options, const Extent& extent,
                                 std::uint32_t quiet_zone, std::uint64_t x, std::uint32_t dpi, std::uint64_t width,
                                 std::uint64_t symbol_width) {
    const std::uint64_t symbol_height = (extent.modules_down - 2ull * quiet_zone) * x;
    const std::uint64_t framed = extent.modules_down * x;
    const MatrixTextRoom text =
        options.text.value_or(false) ? matrix_text_room(symbol, static_cast<std::uint32_t>(x), dpi) : MatrixTextRoom{};
    // Without a height the room a fixed width leaves is kept above and below as well, so a square
    // symbol in a fitted width still gives a square image.
    const std::uint64_t slack = width - symbol_width;
    if (options.width && width < text.width) return std::unexpected(too_small("width", width, text.width));
    width = std::max<std::uint64_t>(width, text.width);
    const std::uint64_t height = options.height ? nearest_dots(*options.height, dpi) : framed + text.band + slack;
    if (height < framed + text.band) return std::unexpected(too_small("height", height, framed + text.band));
    return Vertical{width, height, symbol_height, (height - framed - text.band) / 2, text.band};
}

}  // namespace

Result<Layout> plan(const Symbol& symbol, const Options& options) {
    const std::uint32_t dpi = std::max<std::uint32_t>(options.dpi, 1);
    const bool linear = std::holds_alternative<const LinearGeometry*>(symbol.geometry);
    const std::uint32_t quiet_zone = options.quiet_zone.value_or(symbol.kind->quiet_left);
    const std::uint32_t quiet_right = options.quiet_zone.value_or(symbol.kind->quiet_right);
    const Extent extent = extent_of(symbol, quiet_zone, quiet_right);
    const std::uint64_t asked_width = options.width ? nearest_dots(*options.width, dpi) : 0;

    const auto x = module_dots(symbol, options, extent, dpi, asked_width);
    if (!x) return std::unexpected(x.error());
    if (*x > max_side || extent.modules_across > max_side || extent.modules_down > max_side) {
        return std::unexpected(side_too_large());
    }
    const std::uint64_t symbol_width = extent.modules_across * *x;
    const std::uint64_t width = options.width ? asked_width : symbol_width;
    if (width < symbol_width) return std::unexpected(too_small("width", width, symbol_width));
    if (auto fits = gs1_layout::check_width(*symbol.kind, symbol_width, static_cast<std::uint32_t>(*x), dpi); !fits) {
        return std::unexpected(fits.error());
    }

    const auto vertical = linear ? linear_vertical(symbol, options, extent, *x, dpi, width)
                                 : matrix_vertical(symbol, options, extent, quiet_zone, *x, dpi, width, symbol_width);
    if (!vertical) return std::unexpected(vertical.error());
    if (vertical->width > max_side || vertical->height > max_side) return std::unexpected(side_too_large());
    // Both sides are below 2^31 here, so their product fits 64 bits.
    if (options.max_pixels && vertical->width * vertical->height > *options.max_pixels)
        return std::unexpected(too_many_pixels(vertical->width, vertical->height, *options.max_pixels));

    Layout layout{};
    layout.dpi = dpi;
    layout.quiet_zone = quiet_zone;
    layout.quiet_right = linear ? quiet_right : quiet_zone;
    layout.bar_width_reduction =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(nearest_dots(options.bar_width_reduction, dpi), max_side));
    layout.x_dots = static_cast<std::uint32_t>(*x);
    layout.width = static_cast<std::uint32_t>(vertical->width);
    layout.height = static_cast<std::uint32_t>(vertical->height);
    layout.left =
        static_cast<std::uint32_t>((vertical->width - symbol_width) / 2 + gs1_layout::frame_modules(*symbol.kind) * *x);
    layout.top = static_cast<std::uint32_t>(vertical->top);
    layout.symbol_height = static_cast<std::uint32_t>(vertical->symbol_height);
    layout.text_band = static_cast<std::uint32_t>(vertical->text_band);
    return layout;
}

}  // namespace tavlo::label
