// The bands of identical rows of a matrix symbol's modules, found from the modules themselves: what sweeping
// the drawing's one rectangle per run of dark modules gives, without making and sorting those rectangles.
#pragma once

#include <cstdint>
#include <vector>

#include "band_list.hpp"
#include "band_sweep.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo::png {

// Where the modules lie in the image: each `x` dots square, the top-left one at (`left`, `top`), the image
// `height` rows; the symbol lies within the image.
struct MatrixPlacement {
    std::uint32_t x, left, top, height;
};

// The fewest bands that paint every dark module of `matrix` at `placement`, as sweep_bands makes of the
// rectangles draw() gives without a bar width reduction.
void matrix_bands(const MatrixGeometry& matrix, const MatrixPlacement& placement, label::BandList& bands,
                  SweepScratch& scratch);

}  // namespace tavlo::png
