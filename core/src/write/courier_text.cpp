#include "courier_text.hpp"

#include <cmath>

#include "decimal.hpp"

namespace tavlo::label {
namespace {

// Courier's metrics per 1000 units of its em (Adobe's Courier AFM): every advance (WX 600), and the top of the
// digits (B ... 622).
constexpr double courier_advance = 600;
constexpr double courier_digit_height = 622;
constexpr double thousand = 1000;

// The em in dots that makes Courier's digits `size` dots high, as OCR-B's are at that text size.
double courier_em(double size) { return size * thousand / courier_digit_height; }

// The sizes in dots and the adjustments in thousandths of an em are written to these decimals: a ten-thousandth
// of a dot, and a hundredth of a thousandth of an em (well under a thousandth of a dot at any text size).
constexpr int size_decimals = 4;
constexpr int adjustment_decimals = 2;

double rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

// A byte of a literal string, escaped if it is one of the three that must be (ISO 32000-1, 7.3.4.2; PostScript
// alike).
void append_escaped(std::string& out, char c) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
}

}  // namespace

// Each run under its own text matrix (y flipped back up, so glyphs stand upright on a page in dots with y
// down) at its first pen, the rest by TJ adjustments. The character spacing makes Courier's advance the OCR-B
// advance in whole dots rounded down, so a pen one dot further than that needs an adjustment and most need none.
std::string pdf_text_object(const std::vector<TextRun>& runs) {
    std::string out = "BT\n";
    double em = 0, natural = 0;  // of the open size: the em, and the advance in dots before any adjustment
    for (const TextRun& run : runs) {
        const double run_em = rounded(courier_em(run.size), size_decimals);
        if (run_em != em) {
            em = run_em;
            const double spacing =
                rounded(std::floor(ocrb_advance(run.size)) - courier_advance / thousand * em, size_decimals);
            natural = courier_advance / thousand * em + spacing;
            out += "/F ";
            append_decimal(out, em, size_decimals);
            out += " Tf ";
            append_decimal(out, spacing, size_decimals);
            out += " Tc\n";
        }
        out += "1 0 0 -1 ";
        append_integer(out, run.pens.front());
        out += ' ';
        append_integer(out, run.baseline);
        out += " Tm[(";
        for (std::size_t i = 0; i < run.text.size(); ++i) {
            if (i > 0) {
                const double adjustment =
                    rounded((run.pens[i - 1] + natural - run.pens[i]) * thousand / em, adjustment_decimals);
                if (adjustment != 0) {
                    out += ')';
                    append_decimal(out, adjustment, adjustment_decimals);
                    out += '(';
                }
            }
            append_escaped(out, run.text[i]);
        }
        out += ")]TJ\n";
    }
    return out + "ET\n";
}

// A LanguageLevel 2 xshow per run: each character's displacement to the next pen in dots (the last one's 0),
// Courier scaled with y flipped by makefont. DSC keeps lines within 255 bytes: the displacements break lines.
void append_postscript_text(std::string& out, const std::vector<TextRun>& runs) {
    constexpr std::size_t displacements_per_line = 32;
    double em = 0;
    for (const TextRun& run : runs) {
        const double run_em = rounded(courier_em(run.size), size_decimals);
        if (run_em != em) {
            em = run_em;
            out += "/Courier findfont[";
            append_decimal(out, em, size_decimals);
            out += " 0 0 ";
            append_decimal(out, -em, size_decimals);
            out += " 0 0]makefont setfont\n";
        }
        append_integer(out, run.pens.front());
        out += ' ';
        append_integer(out, run.baseline);
        out += " moveto(";
        for (char c : run.text) append_escaped(out, c);
        out += ")[";
        for (std::size_t i = 0; i < run.pens.size(); ++i) {
            if (i > 0) out += i % displacements_per_line == 0 ? '\n' : ' ';
            append_integer(out, i + 1 < run.pens.size() ? run.pens[i + 1] - run.pens[i] : 0);
        }
        out += "]xshow\n";
    }
}

}  // namespace tavlo::label
