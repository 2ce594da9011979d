// Text runs in Courier, as PDF and PostScript name a font (TextFont::Named). Courier is one of the standard 14
// fonts every PDF reader has (ISO 32000-1, 9.6.2.2) and is in every PostScript interpreter, so it is named with
// no font program, no widths and no descriptor. Naming OCR-B instead would need /FirstChar, /LastChar, /Widths
// and a /FontDescriptor (9.6.2.1, 9.8), some 300 bytes before compression, and would still be drawn in a
// substitute wherever OCR-B is not installed. Like OCR-B, Courier is monospaced; sized so that its digits stand
// as high as OCR-B's, its advance is within 4 % of OCR-B's, and each character is placed at its own pen anyway.
#pragma once

#include <string>
#include <vector>

#include "text_runs.hpp"

namespace tavlo::label {

// The page's resources naming Courier as /F, for a text object of pdf_text_object.
inline constexpr std::string_view pdf_font_resources = "/Font<</F<</Type/Font/Subtype/Type1/BaseFont/Courier>>>>";

// One PDF text object (BT ... ET) drawing the runs in /F in the current fill colour, under a page matrix in
// dots with y down.
std::string pdf_text_object(const std::vector<TextRun>& runs);

// The runs drawn in Courier in the current colour, under a PostScript matrix in dots with y down.
void append_postscript_text(std::string& out, const std::vector<TextRun>& runs);

}  // namespace tavlo::label
