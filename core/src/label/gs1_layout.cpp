#include "gs1_layout.hpp"

#include <cmath>
#include <string>

#include "decimal.hpp"
#include "tavlo/gs1_linear.hpp"

namespace tavlo::label::gs1_layout {

namespace {

// GS1 General Specifications, 5.3.2 and the logistics symbol tables: ITF-14 bearer bars are about 4.8 mm
// at the nominal 1.016 mm module; five modules keeps that proportion at any module width.
constexpr std::uint32_t bearer_modules = 5;

// Shipping-carton symbols (GS1 General Specifications, the symbol table for non-retail
// logistics): GS1-128 and ITF-14 at 0.495 mm, the least module width scanners in distribution are set up
// for, and bars at least 32 mm high.
constexpr Length logistics_x{0.495, Length::Unit::Mm};
constexpr Length logistics_bar_height{32, Length::Unit::Mm};

bool is_itf14(Kind kind) { return kind == Kind::Itf14 || kind == Kind::Itf14Bars; }
bool is_logistics(Kind kind) { return kind == Kind::Gs1_128 || is_itf14(kind); }

}  // namespace

std::uint32_t frame_modules(Kind kind) { return kind == Kind::Itf14 ? bearer_modules : 0; }

std::uint32_t bearer_dots(Kind kind, std::uint32_t x_dots) { return is_itf14(kind) ? bearer_modules * x_dots : 0; }

std::optional<Length> default_x_dim(Kind kind) {
    return is_logistics(kind) ? std::optional(logistics_x) : std::nullopt;
}

std::optional<Length> least_bar_height(Kind kind) {
    return is_logistics(kind) ? std::optional(logistics_bar_height) : std::nullopt;
}

Result<void> check_width(Kind kind, std::uint64_t width_dots, std::uint32_t x_dots, std::uint32_t dpi) {
    if (kind != Kind::Gs1_128) return {};
    const double mm = double(width_dots) * 25.4 / dpi;
    if (mm <= gs1_128_max_width_mm) return {};
    std::string message = "GS1-128 may be at most 165 mm wide with its quiet zones; this one is ";
    append_decimal(message, mm, 1);
    message += " mm at a module width of ";
    append_decimal(message, double(x_dots) * 25.4 / dpi, 3);
    message += " mm";
    return std::unexpected(TavloError::render(message));
}

void add_bearer_bars(Drawing& drawing, Kind kind, const Layout& layout, std::uint32_t symbol_modules) {
    const std::uint32_t bearer = bearer_dots(kind, layout.x_dots);
    if (bearer == 0) return;
    const std::uint32_t frame = frame_modules(kind) * layout.x_dots;
    const std::uint32_t inner = (symbol_modules + 2 * layout.quiet_zone) * layout.x_dots;
    const std::uint32_t left = layout.left - frame, width = inner + 2 * frame;
    const std::uint32_t bottom = layout.top + layout.symbol_height;
    drawing.rects.push_back({left, layout.top - bearer, width, bearer});
    drawing.rects.push_back({left, bottom, width, bearer});
    if (frame) {
        drawing.rects.push_back({left, layout.top, frame, layout.symbol_height});
        drawing.rects.push_back({left + frame + inner, layout.top, frame, layout.symbol_height});
    }
}

}  // namespace tavlo::label::gs1_layout
