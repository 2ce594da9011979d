#include "svg_named_text.hpp"

#include <algorithm>
#include <cmath>

#include "decimal.hpp"

namespace tavlo::label {
namespace {

// The fonts named for the text: OCR-B under the names its fonts go by, then the viewer's monospace font.
constexpr std::string_view named_families = "OCR-B,OCRB,OCR B,monospace";
// A font size in dots to a ten-thousandth.
constexpr int font_size_decimals = 4;

void append_font_size(std::string& out, double size) {
    out += R"( font-size=")";
    append_decimal(out, ocrb_em(size), font_size_decimals);
    out += '"';
}

// A <text> of `run`'s characters [begin, end) with each one's pen in its x list.
void append_text_element(std::string& out, const TextRun& run, std::size_t begin, std::size_t end, bool sized) {
    out += "<text";
    if (sized) append_font_size(out, run.size);
    out += R"( x=")";
    for (std::size_t i = begin; i < end; ++i) {
        if (i > begin) out += ' ';
        append_integer(out, run.pens[i]);
    }
    out += R"(" y=")";
    append_integer(out, run.baseline);
    out += R"(">)";
    for (std::size_t i = begin; i < end; ++i) {
        const char c = run.text[i];
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else out += c;
    }
    out += "</text>";
}

}  // namespace

// The group's size is that of the run of the most characters. Spaces are kept (xml:space), so the x list and
// the characters stay paired. A run is cut where a pen stands a dot or more off the OCR-B advance from the one
// before (between a retail symbol's digit groups): librsvg (2.54) places a text by its first x alone, so each
// piece starts where it should there too.
void append_named_text(std::string& out, const std::vector<TextRun>& runs, std::string_view fill) {
    if (runs.empty()) return;
    out += R"(<g font-family=")";
    out += named_families;
    out += '"';
    const double group_size =
        std::ranges::max_element(runs, {}, [](const TextRun& run) { return run.text.size(); })->size;
    append_font_size(out, group_size);
    out += fill;
    out += R"( xml:space="preserve">)";
    for (const TextRun& run : runs) {
        const bool sized = run.size != group_size;
        const double advance = ocrb_advance(run.size);
        std::size_t begin = 0;
        for (std::size_t i = 1; i <= run.pens.size(); ++i) {
            if (i < run.pens.size() && std::abs(static_cast<double>(run.pens[i] - run.pens[i - 1]) - advance) < 1)
                continue;
            append_text_element(out, run, begin, i, sized);
            begin = i;
        }
    }
    out += "</g>";
}

}  // namespace tavlo::label
