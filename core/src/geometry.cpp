#include "tavlo/geometry.hpp"

namespace tavlo {

LinearGeometry bars_from_modules(std::span<const std::uint8_t> modules) {
    LinearGeometry geometry;
    geometry.total_modules = static_cast<std::uint32_t>(modules.size());
    // Count the bars first (each starts where a dark module follows a light one or the edge), so the list
    // is allocated once.
    std::size_t count = 0;
    std::uint8_t previous = 0;
    for (std::uint8_t module : modules) {
        count += module & ~previous & 1u;
        previous = module;
    }
    geometry.bars.reserve(count);
    std::size_t i = 0;
    while (i < modules.size()) {
        if (!modules[i]) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < modules.size() && modules[end]) ++end;
        geometry.bars.push_back({static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(end - i)});
        i = end;
    }
    return geometry;
}

}  // namespace tavlo
