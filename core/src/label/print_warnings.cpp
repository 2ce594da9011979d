#include "print_warnings.hpp"

#include <cstdio>

namespace tavlo::label {
namespace {

// Millimetres to the micrometre, as the GS1 tables write them (0.264 mm).
std::string mm(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f mm", value);
    return text;
}

// A printed X a rounding error from a limit is at the limit: 0.330 mm at 1200 dpi is 15.59 dots, never exact.
constexpr double limit_slack_mm = 1e-9;

}  // namespace

std::vector<std::string> print_warnings(const KindSpec& kind, const Layout& layout) {
    std::vector<std::string> warnings;
    const XRange& range = kind.x_range;
    const double x = layout.x_dim_mm();
    if (range.max_mm > 0 && (x < range.min_mm - limit_slack_mm || x > range.max_mm + limit_slack_mm)) {
        warnings.push_back("the printed X-dimension of " + mm(x) + " (" + std::to_string(layout.x_dots) +
                           " dots at " + std::to_string(layout.dpi) + " dpi) is outside the " + mm(range.min_mm) +
                           " to " + mm(range.max_mm) + " the GS1 General Specifications allow for " +
                           std::string(kind.title) + " " + std::string(range.application));
    }
    // A reduction is for ink that spreads by less than a module: half a module or more leaves bars a scanner
    // may not see, and from a whole module on the narrowest keep only their last dot.
    if (layout.bar_width_reduction > 0 && 2ull * layout.bar_width_reduction >= layout.x_dots) {
        const std::uint32_t cut = layout.bar_width_reduction;
        warnings.push_back("the bar width reduction of " + std::to_string(cut) + (cut == 1 ? " dot" : " dots") +
                           " takes half a module or more of the " + std::to_string(layout.x_dots) +
                           "-dot X-dimension");
    }
    return warnings;
}

}  // namespace tavlo::label
