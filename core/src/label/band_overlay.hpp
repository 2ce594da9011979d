// Text rows painted over the bands of identical rows that the bars make: the rows the text touches become
// bands of their own, everything else keeps its shared description.
#pragma once

#include <span>

#include "../text/text_rows.hpp"
#include "band_list.hpp"

namespace tavlo::label {

// `bars` describe the whole image from the top; `out` receives them with the text's rows added to the rows they
// fall on. Reads every row of `text`.
void overlay_text(std::span<const png::Band> bars, text::TextRows& text, BandList& out);

}  // namespace tavlo::label
