#include "gs1_layout.hpp"

#include <cmath>
#include <string>

#include "decimal.hpp"

namespace tavlo::label::gs1_layout {

namespace {

// GS1 General Specifications, 5.3.2 and the logistics symbol tables: ITF-14 bearer bars are about 4.8 mm
// at the nominal 1.016 mm module; five modules keeps that proportion at any module width.
constexpr std::uint32_t bearer_modules = 5;

}  // namespace

std::uint32_t frame_modules(const KindSpec& kind) { return kind.bearers == Bearers::Frame ? bearer_modules : 0; }

std::uint32_t bearer_dots(const KindSpec& kind, std::uint32_t x_dots) {
    return kind.bearers == Bearers::None ? 0 : bearer_modules * x_dots;
}

Result<void> check_width(const KindSpec& kind, std::uint64_t width_dots, std::uint32_t x_dots, std::uint32_t dpi) {
    if (kind.max_width_mm == 0) return {};
    const double mm = double(width_dots) * 25.4 / dpi;
    if (mm <= kind.max_width_mm) return {};
    std::string message = std::string(kind.title) + " may be at most ";
    append_decimal(message, kind.max_width_mm, 0);
    message += " mm wide with its quiet zones; this one is ";
    append_decimal(message, mm, 1);
    message += " mm at a module width of ";
    append_decimal(message, double(x_dots) * 25.4 / dpi, 3);
    message += " mm";
    return std::unexpected(TavloError::render(message));
}

void add_bearer_bars(Drawing& drawing, const KindSpec& kind, const Layout& layout, std::uint32_t symbol_modules) {
    const std::uint32_t bearer = bearer_dots(kind, layout.x_dots);
    if (bearer == 0) return;
    const std::uint32_t frame = frame_modules(kind) * layout.x_dots;
    const std::uint32_t inner = (symbol_modules + layout.quiet_zone + layout.quiet_right) * layout.x_dots;
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
