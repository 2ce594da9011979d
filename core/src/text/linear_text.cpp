#include "linear_text.hpp"

#include <algorithm>
#include <cmath>
#include <span>

#include "whole_dots.hpp"

namespace tavlo::text {

namespace {

// GS1 General Specifications, 5.2.5: the EAN/UPC digits are OCR-B with one digit per symbol character
// (7 modules), set a module below the data bars, and the guard bars reach 5 modules further down than
// the data bars. The other kinds print at the same size and gap, shrunk when the line would be wider than
// the bars.
constexpr double digit_pitch_modules = 7;
constexpr std::uint32_t guard_extension_modules = 5;
// UPC-A prints its number-system and check digits outside the bars in smaller type.
constexpr double outer_digit_scale = 0.7;

// The digit height that gives one OCR-B advance per symbol character.
double nominal_size(std::uint32_t x_dots) {
    return std::max(1.0, std::round(digit_pitch_modules * x_dots / text_width("0", 1.0)));
}

double line_size(LinearStyle style, const LinearGeometry& geometry, std::string_view text, std::uint32_t x_dots) {
    const double nominal = nominal_size(x_dots);
    if (style != LinearStyle::Centred) return nominal;
    const double fits = std::floor(double(geometry.total_modules) * x_dots / text_width(text, 1.0));
    return std::max(1.0, std::min(nominal, fits));
}

// The room between the bars and the top of the digits.
std::uint32_t gap(std::uint32_t x_dots) { return x_dots; }

double baseline(std::uint32_t band_top, std::uint32_t x_dots, double size) {
    return double(band_top) + gap(x_dots) + size;
}

struct ModuleRange {
    std::uint32_t begin, end;
};

// The guard bars (and UPC-A's first and last symbol characters, whose digits stand outside) in modules.
std::span<const ModuleRange> extended_ranges(LinearStyle style) {
    static constexpr ModuleRange ean8[] = {{0, 3}, {31, 36}, {64, 67}};
    static constexpr ModuleRange upca[] = {{0, 10}, {45, 50}, {85, 95}};
    if (style == LinearStyle::Ean8) return ean8;
    if (style == LinearStyle::UpcA) return upca;
    return {};
}

// The first module of each printed digit's symbol character, in print order; UPC-A's outer two are placed
// beside the bars instead.
std::span<const std::uint32_t> digit_modules(LinearStyle style) {
    static constexpr std::uint32_t ean8[] = {3, 10, 17, 24, 36, 43, 50, 57};
    static constexpr std::uint32_t upca[] = {3, 10, 17, 24, 31, 38, 50, 57, 64, 71, 78, 85};
    if (style == LinearStyle::Ean8) return ean8;
    return upca;
}

void place_retail(LinearText& out, LinearStyle style, std::string_view text, std::uint32_t x_dots, double origin,
                  double base, double size) {
    const std::span<const std::uint32_t> starts = digit_modules(style);
    const double x = x_dots;
    out.items.reserve(std::min(starts.size(), text.size()));
    for (std::size_t i = 0; i < starts.size() && i < text.size(); ++i) {
        const bool outer = style == LinearStyle::UpcA && (i == 0 || i + 1 == starts.size());
        TextItem item{std::string(1, text[i]), origin + (starts[i] + digit_pitch_modules / 2) * x, base, size,
                      Align::Centre};
        if (outer) {
            item.size = std::max(1.0, std::round(size * outer_digit_scale));
            // One module clear of the bars, in the quiet zone below the height the scanner reads.
            item.align = i == 0 ? Align::Right : Align::Left;
            item.x = i == 0 ? origin - x : origin + 96 * x;
        }
        out.items.push_back(std::move(item));
    }
}

}  // namespace

std::uint64_t band_height(LinearStyle style, const LinearGeometry& geometry, std::string_view text,
                          std::uint32_t x_dots) {
    if (text.empty()) return 0;
    const double size = line_size(style, geometry, text, x_dots);
    const VerticalExtent extent = text_extent(style == LinearStyle::Centred ? text : "0123456789", size);
    return std::uint64_t{gap(x_dots)} + whole_dots(size) + whole_dots(std::ceil(extent.below)) + 1;
}

LinearText place_text(LinearStyle style, const LinearGeometry& geometry, std::string_view text, std::uint32_t x_dots,
                      double origin, std::uint32_t band_top) {
    LinearText out;
    if (text.empty()) return out;
    const double size = line_size(style, geometry, text, x_dots);
    const double base = baseline(band_top, x_dots, size);
    if (style == LinearStyle::Centred) {
        out.items.push_back(
            TextItem{std::string(text), origin + geometry.total_modules * x_dots / 2.0, base, size, Align::Centre});
        return out;
    }
    place_retail(out, style, text, x_dots, origin, base, size);
    out.bar_extension = guard_extension_modules * x_dots;
    const std::span<const ModuleRange> ranges = extended_ranges(style);
    out.extended_bars.reserve(geometry.bars.size());
    for (std::size_t i = 0; i < geometry.bars.size(); ++i) {
        const std::uint32_t x = geometry.bars[i].x;
        if (std::ranges::any_of(ranges, [x](ModuleRange r) { return x >= r.begin && x < r.end; })) {
            out.extended_bars.push_back(i);
        }
    }
    return out;
}

}  // namespace tavlo::text
