// Rectangles swept top to bottom into bands of identical rows: the one step from dark areas in dots to what the
// PNG writer takes, for labels and for stretched symbols alike.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "band_list.hpp"
#include "tavlo/label.hpp"

namespace tavlo::png {

// What a sweep works in, kept by the caller from one image to the next.
struct SweepScratch {
    std::vector<label::Rect> rects;
    std::vector<const label::Rect*> open;
    std::vector<Span> dark;
    std::vector<std::uint64_t> bits;  // a matrix row's modules, for matrix_bands
};

// The fewest bands that paint `rects` (clipped to the image; they may overlap) dark on a `width` x `height` image.
void sweep_bands(std::span<const label::Rect> rects, std::uint32_t width, std::uint32_t height,
                 label::BandList& bands, SweepScratch& scratch);

}  // namespace tavlo::png
