// Print-exact sizing: every module a whole number of dots, the image a whole number of dots, the symbol
// centred in any room a fixed width or height leaves over.
#include <algorithm>
#include <cmath>
#include <string>

#include "../assert.hpp"
#include "gs1_layout.hpp"
#include "human_readable.hpp"
#include "print_warnings.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {
namespace {

// Our bound on a side: coordinates, and sums of a coordinate and a side, stay within 32 bits, and nothing
// printable comes near it (2^31 dots are 180 km at 300 dpi).
constexpr std::uint64_t max_side = 2147483647;

// The least bar height: 15 % of the symbol's width, and never under a quarter inch.
constexpr double min_height_share = 0.15;
constexpr double min_height_inches = 0.25;

// An EAN/UPC add-on's own right quiet zone, which follows it instead of the main symbol's (GS1 General
// Specifications 5.2.3.4).
constexpr std::uint32_t addon_quiet_right = 5;

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

// The X the caller asks for: x_dim, or the kind's own scaled by the magnification; none with a fitted width.
Result<std::optional<Length>> asked_x(const KindSpec& kind, const Options& options) {
    if (!options.magnification) return options.x_dim;
    if (options.x_dim) return std::unexpected(TavloError::render("give magnification or x_dim, not both"));
    if (!kind.magnified) {
        return std::unexpected(TavloError::render("magnification sizes the retail symbols (EAN/UPC); give " +
                                                  std::string(kind.title) + " an x_dim instead"));
    }
    const double magnification = *options.magnification;
    if (!(magnification >= min_magnification && magnification <= max_magnification)) {
        return std::unexpected(TavloError::render(magnification_out_of_range(std::to_string(magnification))));
    }
    return Length{kind.x_dim.value * magnification, kind.x_dim.unit};
}

// The module width in dots: the asked X rounded to whole dots, or the widest that fits an asked width.
Result<std::uint64_t> module_dots(const Symbol& symbol, const std::optional<Length>& x_dim, const Options& options,
                                  const Extent& extent, std::uint32_t dpi, std::uint64_t asked_width) {
    if (x_dim || !options.width) {
        return std::max<std::uint64_t>(nearest_dots(x_dim.value_or(symbol.kind->x_dim), dpi), 1);
    }
    const std::uint64_t x = asked_width / std::max<std::uint64_t>(extent.modules_across, 1);
    if (x == 0) return std::unexpected(too_small("width", asked_width, extent.modules_across));
    return x;
}

// The bars' height without a fixed height: what the kind's standard gives, in modules or scaled with the
// printed X; otherwise the least of the row's bar height, 15 % of the width and a quarter inch.
std::uint64_t default_bar_height(const KindSpec& kind, const Extent& extent, std::uint64_t x, std::uint32_t dpi) {
    if (kind.bar_height_modules != 0) return kind.bar_height_modules * x;
    if (kind.magnified && kind.bar_height) {
        // The printed X is rarely the asked one at whole dots; the bars keep the standard's proportion to it.
        return static_cast<std::uint64_t>(std::ceil(kind.bar_height->dots(dpi) * static_cast<double>(x) /
                                                    kind.x_dim.dots(dpi)));
    }
    double least =
        std::max(min_height_share * static_cast<double>(extent.symbol_modules * x), min_height_inches * dpi);
    if (const auto& standard = kind.bar_height) least = std::max(least, standard->dots(dpi));
    return static_cast<std::uint64_t>(std::ceil(least));
}

// What lies above and below the symbol, and how wide the image must be for its text.
struct Vertical {
    std::uint64_t width;  // the image width, widened where a matrix symbol's text needs it
    std::uint64_t height, symbol_height, top, text_band;
};

Result<Vertical> linear_vertical(const Symbol& symbol, const Options& options, const Extent& extent, std::uint64_t x,
                                 std::uint32_t dpi, std::uint64_t width) {
    const bool text = options.text.value_or(true);
    const std::uint64_t text_band = text ? text_band_height(symbol, static_cast<std::uint32_t>(x), dpi) : 0;
    // A book number's headline stands above the bars.
    const std::uint64_t headline = text ? headline_height(symbol, static_cast<std::uint32_t>(x)) : 0;
    // Bearer bars sit directly above and below the bars.
    const std::uint64_t bearers = 2ull * gs1_layout::bearer_dots(*symbol.kind, static_cast<std::uint32_t>(x));
    const std::uint64_t around = text_band + headline + bearers;
    std::uint64_t height = 0, symbol_height = 0;
    if (options.height) {
        height = nearest_dots(*options.height, dpi);
        if (height < around + 1) return std::unexpected(too_small("height", height, around + 1));
        symbol_height = height - around;
    } else {
        symbol_height = default_bar_height(*symbol.kind, extent, x, dpi);
        height = symbol_height + around;
    }
    return Vertical{width, height, symbol_height, std::min(headline, max_side) + bearers / 2,
                    std::min(text_band, max_side)};
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
    const std::uint32_t quiet_right =
        options.quiet_zone.value_or(symbol.addon_modules ? addon_quiet_right : symbol.kind->quiet_right);
    const Extent extent = extent_of(symbol, quiet_zone, quiet_right);
    const std::uint64_t asked_width = options.width ? nearest_dots(*options.width, dpi) : 0;

    const auto x_dim = asked_x(*symbol.kind, options);
    if (!x_dim) return std::unexpected(x_dim.error());
    const auto x = module_dots(symbol, *x_dim, options, extent, dpi, asked_width);
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

    // Every part lies within the image, whose sides were held to max_side above: the narrowing below keeps
    // every value.
    TAVLO_ASSERT(*x <= max_side && vertical->width >= symbol_width);
    TAVLO_ASSERT(vertical->top + vertical->symbol_height + vertical->text_band <= vertical->height);
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
    layout.warnings = print_warnings(*symbol.kind, layout);
    return layout;
}

}  // namespace tavlo::label
