#include "matrix_bands.hpp"

#include <cstring>

#include "../assert.hpp"

namespace tavlo::png {

// A module row's runs of dark modules are its spans: runs are maximal, so no two spans touch and none need
// merging. Rows of a band are the module rows' x dots each, joined by BandList::add where module rows repeat
// (a PDF417 row is three module rows), so the bands are the fewest, as the sweep's are.
void matrix_bands(const MatrixGeometry& matrix, const MatrixPlacement& placement, label::BandList& bands,
                  std::vector<Span>& dark) {
    const std::uint32_t x = placement.x;
    const std::uint64_t bottom = placement.top + std::uint64_t{matrix.height} * x;
    TAVLO_ASSERT(bottom <= placement.height && matrix.modules.size() == std::size_t{matrix.width} * matrix.height);
    bands.clear();
    if (placement.top > 0) bands.add(placement.top, {});
    const std::uint8_t* row = matrix.modules.data();
    for (std::uint32_t r = 0; r < matrix.height; ++r, row += matrix.width) {
        dark.clear();
        for (std::uint32_t c = 0; c < matrix.width;) {
            if (row[c] == 0) {
                ++c;
                continue;
            }
            const std::uint32_t start = c;
            while (++c < matrix.width && row[c] != 0) {
            }
            dark.push_back({placement.left + start * x, placement.left + c * x});
        }
        bands.add(x, dark);
    }
    if (bottom < placement.height) bands.add(static_cast<std::uint32_t>(placement.height - bottom), {});
}

}  // namespace tavlo::png
