// The glyph outlines of every text item of a drawing, which the vector writers fill in the foreground colour.
#pragma once

#include "tavlo/label.hpp"

namespace tavlo::label {

inline text::Outline text_outline_of(const Drawing& drawing) {
    text::Outline outline;
    for (const TextItem& item : drawing.texts) text::append_text_outline(outline, item);
    return outline;
}

}  // namespace tavlo::label
