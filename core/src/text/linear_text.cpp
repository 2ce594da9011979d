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
// UPC-A and UPC-E print their number-system and check digits outside the bars in smaller type.
constexpr double outer_digit_scale = 0.7;
// The light margin indicator ">" ends where the quiet zone the standard asks for right of the bars ends:
// 7 modules after EAN-13, 5 after an add-on (GS1 General Specifications 5.2.3.4 and 5.2.5).
constexpr std::uint32_t light_margin_main_modules = 7;
constexpr std::uint32_t light_margin_addon_modules = 5;
constexpr char light_margin_indicator = '>';
// An add-on: a 4-module start guard, then each digit's 7 modules, the digits split by 2-module delineators.
constexpr std::uint32_t addon_guard_modules = 4;
constexpr std::uint32_t addon_digit_step = 9;

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

// Where a retail symbol's digits go: `under` holds the first module of each symbol character whose digit
// stands beneath it, in print order; the digits before and after those stand outside the bars.
struct RetailLayout {
    std::uint32_t modules;                       // the main symbol's width
    std::span<const ModuleRange> extended;       // guard bars (and UPC-A's outer characters)
    std::span<const std::uint32_t> under;
    bool first_outside;  // the first digit stands left of the bars
    bool small_outside;  // digits outside the bars are set smaller
    bool last_outside;   // the last digit stands right of the bars
    std::size_t digits() const { return under.size() + first_outside + last_outside; }
};

RetailLayout retail_layout(LinearStyle style) {
    static constexpr ModuleRange ean8_guards[] = {{0, 3}, {31, 36}, {64, 67}};
    static constexpr ModuleRange ean13_guards[] = {{0, 3}, {45, 50}, {92, 95}};
    static constexpr ModuleRange upca_guards[] = {{0, 10}, {45, 50}, {85, 95}};
    static constexpr ModuleRange upce_guards[] = {{0, 3}, {45, 51}};
    static constexpr std::uint32_t ean8[] = {3, 10, 17, 24, 36, 43, 50, 57};
    static constexpr std::uint32_t twelve[] = {3, 10, 17, 24, 31, 38, 50, 57, 64, 71, 78, 85};
    static constexpr std::uint32_t upca[] = {10, 17, 24, 31, 38, 50, 57, 64, 71, 78};
    static constexpr std::uint32_t upce[] = {3, 10, 17, 24, 31, 38};
    switch (style) {
    case LinearStyle::Ean8: return {67, ean8_guards, ean8, false, false, false};
    case LinearStyle::UpcA: return {95, upca_guards, upca, true, true, true};
    case LinearStyle::Ean13: return {95, ean13_guards, twelve, true, false, false};
    case LinearStyle::UpcE: return {51, upce_guards, upce, true, true, true};
    case LinearStyle::Centred: break;
    }
    return {};
}

// The printed line split into the main symbol's digits, the add-on's and the light margin indicator.
struct RetailLine {
    std::string_view main, addon;
    bool light_margin;
};

constexpr char headline_end = '\n';

std::string_view headline_of(std::string_view text) {
    const auto end = text.find(headline_end);
    return end == std::string_view::npos ? std::string_view{} : text.substr(0, end);
}

std::string_view below_headline(std::string_view text) {
    const auto end = text.find(headline_end);
    return end == std::string_view::npos ? text : text.substr(end + 1);
}

// The headline's size: the digits' own, smaller where the line would be wider than the main symbol.
double headline_size(std::string_view headline, std::uint32_t main_modules, std::uint32_t x_dots) {
    const double fits = std::floor(double(main_modules) * x_dots / text_width(headline, 1.0));
    return std::max(1.0, std::min(nominal_size(x_dots), fits));
}

double headline_descent(std::string_view headline, double size) {
    return std::ceil(text_extent(headline, size).below);
}

void place_headline(LinearText& out, std::string_view headline, std::uint32_t main_modules, std::uint32_t x_dots,
                    double origin, std::uint32_t bars_top) {
    const double size = headline_size(headline, main_modules, x_dots);
    const double base = double(bars_top) - gap(x_dots) - headline_descent(headline, size);
    out.items.push_back({std::string(headline), origin + main_modules * x_dots / 2.0, base, size, Align::Centre});
}

RetailLine split_line(std::string_view text, std::size_t main_digits) {
    RetailLine line{text.substr(0, main_digits), text.substr(std::min(main_digits, text.size())), false};
    if (!line.addon.empty() && line.addon.back() == light_margin_indicator) {
        line.light_margin = true;
        line.addon.remove_suffix(1);
    }
    return line;
}

void place_main(LinearText& out, const RetailLayout& layout, std::string_view digits, std::uint32_t x_dots,
                double origin, double base, double size) {
    const double x = x_dots;
    const double outside_size = layout.small_outside ? std::max(1.0, std::round(size * outer_digit_scale)) : size;
    std::size_t next = 0;
    // Outside digits stand one module clear of the bars, in the quiet zone below the height the scanner reads.
    if (layout.first_outside && next < digits.size())
        out.items.push_back({std::string(1, digits[next++]), origin - x, base, outside_size, Align::Right});
    for (std::uint32_t start : layout.under) {
        if (next >= digits.size()) return;
        out.items.push_back({std::string(1, digits[next++]), origin + (start + digit_pitch_modules / 2) * x, base,
                             size, Align::Centre});
    }
    if (layout.last_outside && next < digits.size())
        out.items.push_back(
            {std::string(1, digits[next]), origin + (layout.modules + 1) * x, base, outside_size, Align::Left});
}

// Modules an add-on of `digits` digits takes: 20 for EAN-2, 47 for EAN-5.
std::uint32_t addon_symbol_modules(std::size_t digits) {
    return addon_guard_modules + static_cast<std::uint32_t>(digits) * addon_digit_step - 2;
}

// The add-on's digits over its own symbol characters, their tops level with the main symbol's bars, and the
// add-on's bars starting a gap below them (GS1 General Specifications 5.2.3.4). Returns the digits' baseline.
double place_addon(LinearText& out, const LinearGeometry& geometry, std::string_view digits, std::uint32_t x_dots,
                   double origin, std::uint32_t bars_top, double size) {
    const double x = x_dots;
    const double base = double(bars_top) + size;
    const std::uint32_t first = geometry.total_modules - addon_symbol_modules(digits.size());
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const double centre = first + addon_guard_modules + i * addon_digit_step + digit_pitch_modules / 2;
        out.items.push_back({std::string(1, digits[i]), origin + centre * x, base, size, Align::Centre});
    }
    return base;
}

void mark_bars(LinearText& out, const LinearGeometry& geometry, std::span<const ModuleRange> extended,
               std::uint32_t addon_begin) {
    out.extended_bars.reserve(geometry.bars.size());
    for (std::size_t i = 0; i < geometry.bars.size(); ++i) {
        const std::uint32_t x = geometry.bars[i].x;
        const bool addon = x >= addon_begin;
        if (addon) out.lowered_bars.push_back(i);
        // The add-on's bars reach down as far as the guard bars.
        if (addon || std::ranges::any_of(extended, [x](ModuleRange r) { return x >= r.begin && x < r.end; })) {
            out.extended_bars.push_back(i);
        }
    }
}

void place_retail(LinearText& out, LinearStyle style, const LinearGeometry& geometry, std::string_view text,
                  std::uint32_t x_dots, double origin, std::uint32_t band_top, std::uint32_t bars_top,
                  std::uint32_t addon_modules) {
    const RetailLayout layout = retail_layout(style);
    if (const std::string_view headline = headline_of(text); !headline.empty())
        place_headline(out, headline, layout.modules, x_dots, origin, bars_top);
    const RetailLine line = split_line(below_headline(text), layout.digits());
    const double size = nominal_size(x_dots);
    const double base = baseline(band_top, x_dots, size);
    out.items.reserve(text.size());
    place_main(out, layout, line.main, x_dots, origin, base, size);
    double margin_base = base;
    std::uint32_t margin_modules = light_margin_main_modules;
    const bool addon = addon_modules > 0 && !line.addon.empty();
    if (addon) {
        margin_base = place_addon(out, geometry, line.addon, x_dots, origin, bars_top, size);
        margin_modules = light_margin_addon_modules;
        // Whole dots, and never the whole bar: a bar at least one dot high stays.
        const std::uint32_t room = band_top > bars_top ? band_top - bars_top - 1 : 0;
        out.bar_lowering = std::min<std::uint32_t>(room, static_cast<std::uint32_t>(size) + gap(x_dots));
    }
    if (line.light_margin) {
        out.items.push_back({std::string(1, light_margin_indicator),
                             origin + double(geometry.total_modules + margin_modules) * x_dots, margin_base, size,
                             Align::Right});
    }
    out.bar_extension = guard_extension_modules * x_dots;
    mark_bars(out, geometry, layout.extended, addon ? geometry.total_modules - addon_modules : geometry.total_modules);
}

}  // namespace

std::uint32_t main_modules(LinearStyle style) { return retail_layout(style).modules; }

std::uint64_t headline_height(std::string_view text, std::uint32_t main_modules, std::uint32_t x_dots) {
    const std::string_view headline = headline_of(text);
    if (headline.empty()) return 0;
    const double size = headline_size(headline, main_modules, x_dots);
    return std::uint64_t{gap(x_dots)} + whole_dots(size) + whole_dots(headline_descent(headline, size)) + 1;
}

std::uint64_t band_height(LinearStyle style, const LinearGeometry& geometry, std::string_view text,
                          std::uint32_t x_dots) {
    if (style != LinearStyle::Centred) text = below_headline(text);
    if (text.empty()) return 0;
    const double size = line_size(style, geometry, text, x_dots);
    const VerticalExtent extent = text_extent(style == LinearStyle::Centred ? text : "0123456789", size);
    return std::uint64_t{gap(x_dots)} + whole_dots(size) + whole_dots(std::ceil(extent.below)) + 1;
}

LinearText place_text(LinearStyle style, const LinearGeometry& geometry, std::string_view text, std::uint32_t x_dots,
                      double origin, std::uint32_t band_top, std::uint32_t bars_top, std::uint32_t addon_modules) {
    LinearText out;
    if (text.empty()) return out;
    if (style == LinearStyle::Centred) {
        const double size = line_size(style, geometry, text, x_dots);
        out.items.push_back(TextItem{std::string(text), origin + geometry.total_modules * x_dots / 2.0,
                                     baseline(band_top, x_dots, size), size, Align::Centre});
        return out;
    }
    place_retail(out, style, geometry, text, x_dots, origin, band_top, bars_top, addon_modules);
    return out;
}

}  // namespace tavlo::text
