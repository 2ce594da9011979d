// Text rows painted over the bands of identical rows that the bars make: the rows the text touches become
// bands of their own, everything else keeps its shared description.
#pragma once

#include <span>
#include <vector>

#include "band_list.hpp"
#include "tavlo/text.hpp"

namespace tavlo::label {

// `bars` describe the whole image from the top; `out` receives them with the coverage's rows added to the rows
// they fall on. `row` is room for one row's spans.
void overlay_text(std::span<const png::Band> bars, const text::Coverage& coverage, BandList& out,
                  std::vector<png::Span>& row);

}  // namespace tavlo::label
