#include "databar_widths.hpp"

#include "../../assert.hpp"

namespace tavlo::databar {
namespace {

// n choose r, exact for the small n (at most 19) the characters use. The cases without a meaning (r < 0,
// n < r) count 1, as in the standard's reference routine, whose counts the widths must reproduce.
std::uint32_t combinations(int n, int r) {
    if (r < 0 || n < r) return 1;
    std::uint64_t value = 1;
    for (int i = 1; i <= r; ++i) value = value * std::uint64_t(n - r + i) / std::uint64_t(i);
    return std::uint32_t(value);
}

}  // namespace

// Each element's width is chosen in turn, smallest first: `value` passes over every pattern that starts with
// a narrower element, counted as the patterns of the remaining modules among the remaining elements, less
// those with no narrow element (when one is required) and those with an element wider than `widest`.
void element_widths(std::uint32_t value, int modules, int elements, int widest, bool narrow_optional,
                    std::span<int> widths) {
    TAVLO_ASSERT(int(widths.size()) >= elements && elements >= 2);
    auto remaining = std::int64_t(value);
    bool narrow_so_far = false;  // an earlier element was one module wide
    int element = 0;
    for (; element < elements - 1; ++element) {
        const int after = elements - element - 1;  // elements still to place after this one
        int width = 1;
        std::int64_t patterns = 0;
        for (;; ++width) {
            patterns = combinations(modules - width - 1, after - 1);
            const bool narrow = narrow_so_far || width == 1;
            if (!narrow_optional && !narrow && modules - width - after >= after) {
                patterns -= combinations(modules - width - after - 1, after - 1);
            }
            if (after > 1) {
                std::int64_t too_wide = 0;
                for (int w = modules - width - (after - 1); w > widest; --w) {
                    too_wide += combinations(modules - width - w - 1, after - 2);
                }
                patterns -= too_wide * after;
            } else if (modules - width > widest) {
                --patterns;
            }
            remaining -= patterns;
            if (remaining < 0) break;
        }
        remaining += patterns;
        narrow_so_far = narrow_so_far || width == 1;
        modules -= width;
        widths[element] = width;
    }
    widths[element] = modules;
    TAVLO_ASSERT(modules >= 1 && modules <= widest);
}

void append_widths(ModuleSequence& modules, std::span<const int> widths, bool dark_first) {
    std::uint8_t colour = dark_first ? 1 : 0;
    for (int width : widths) {
        TAVLO_ASSERT(width >= 1);
        modules.insert(modules.end(), std::size_t(width), colour);
        colour ^= 1u;
    }
}

}  // namespace tavlo::databar
