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

// What paint_matrix_rows works in, kept by the caller from one image to the next.
struct MatrixRowScratch {
    std::vector<std::uint64_t> bits, band_bits;  // a module row's modules, and those of the band being gathered
    std::vector<std::uint64_t> edges;             // a pixel row's edges, then its dark pixels
    std::vector<std::uint8_t> scanline;
};

// Gives `sink` the rows of an image `width` pixels wide, light but for the dark modules of `matrix` at
// `placement`: the rows of the bands matrix_bands makes, each once with the times it occurs, as the PNG writer
// paints them, without making the bands.
void paint_matrix_rows(const MatrixGeometry& matrix, const MatrixPlacement& placement, std::uint32_t width,
                       bool dark_bit, RowSink& sink, MatrixRowScratch& scratch);

}  // namespace tavlo::png
