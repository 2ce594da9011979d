// Text rows painted over the bands of identical rows that the bars make: the rows the text touches become
// bands of their own, everything else keeps its shared description.
#pragma once

#include <vector>

#include "../render/png_writer.hpp"
#include "tavlo/text.hpp"

namespace tavlo::text {

// `bands` describe the whole image from the top; the coverage's rows are added to the rows they fall on.
void overlay(std::vector<png::Band>& bands, const Coverage& coverage);

}  // namespace tavlo::text
