// The text of an SVG label as <text> in a named font (TextFont::Named): OCR-B under the names its fonts go by,
// then the viewer's monospace font, each character at the pen the outlines put it at.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text_runs.hpp"

namespace tavlo::label {

// The runs as <text> elements in one group that names the fonts, the first run's size and `fill` (the colour
// attribute, empty for black).
void append_named_text(std::string& out, const std::vector<TextRun>& runs, std::string_view fill);

}  // namespace tavlo::label
