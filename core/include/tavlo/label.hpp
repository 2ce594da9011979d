// Print-exact labels: a symbol sized in whole printer dots, drawn once as rectangles (and, for linear kinds,
// human-readable text) in dots, and written as PNG, SVG or PDF from that one drawing.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"
#include "tavlo/kinds.hpp"
#include "tavlo/length.hpp"
#include "tavlo/render.hpp"
#include "tavlo/text.hpp"

namespace tavlo::label {

struct Colour {
    std::uint8_t r, g, b, a;  // a = 0 transparent, 255 opaque
    friend bool operator==(const Colour&, const Colour&) = default;
};
inline constexpr Colour black{0, 0, 0, 255};
inline constexpr Colour white{255, 255, 255, 255};

// A length as the caller wrote it; dots are the printer's own unit, the others convert at the dpi.
using tavlo::Length;

// "0.33mm", "13mil", "0.013in", "4dots" or "4dot"; spaces around the number and unit are allowed. The error
// is a sentence for the caller.
std::expected<Length, std::string> parse_length(std::string_view text);
// A magnification of the retail symbols: "80%" or "0.8", from min_magnification to max_magnification (GS1
// General Specifications 5.2.3.4: 80 % to 200 % of the nominal size).
inline constexpr double min_magnification = 0.8;
inline constexpr double max_magnification = 2.0;
std::expected<double, std::string> parse_magnification(std::string_view text);
// The sentence refusing a magnification outside the range, for the number written as `shown`.
std::string magnification_out_of_range(std::string_view shown);
// "#rrggbb", "#rrggbbaa", "#rgb", "#rgba", "black", "white", "transparent".
std::expected<Colour, std::string> parse_colour(std::string_view text);

// How the caller wants the label made. Lengths without a value take the kind's default.
struct Options {
    std::uint32_t dpi = 300;                  // at least 1
    std::optional<Length> x_dim;              // module width; nearest whole dot, at least one
    std::optional<double> magnification;      // EAN/UPC instead of x_dim: the kind's X times it, 0.8 to 2.0
    std::optional<Length> width;              // whole image; without x_dim the largest whole-dot X that fits
    std::optional<Length> height;             // whole image, text band included
    std::optional<std::uint32_t> quiet_zone;  // modules; default per kind
    Length bar_width_reduction{0, Length::Unit::Dots};
    Colour foreground = black;
    Colour background = white;  // alpha 0 = transparent
    std::optional<bool> text;   // the human-readable line; by default on for linear kinds
    bool optimize = false;      // PNG only: search for the smallest file, many times slower
    // The most pixels (width × height) a label may have, checked by plan() before anything is allocated;
    // none = no limit. The default, 50 million (a 1-bit PNG of about 6 MB, its drawing a few times that),
    // lets a service render what its callers ask for without one request taking the machine's memory.
    std::optional<std::uint64_t> max_pixels = default_max_pixels;
    static constexpr std::uint64_t default_max_pixels = 50'000'000;
};

// The symbol a label is drawn from, with the row of its kind, which decides the default sizes, the quiet
// zones, the text layout and the bearers. The geometry is borrowed and must outlive the call.
struct Symbol {
    const KindSpec* kind;  // never null
    std::variant<const LinearGeometry*, const MatrixGeometry*> geometry;
    std::string_view human_readable;  // text to print with the symbol; empty = none
    std::uint32_t addon_modules = 0;  // EAN/UPC: the last modules of the geometry are the add-on and its gap
};

// The symbol of an encoded kind; `encoded` must outlive the symbol.
Symbol symbol_of(const KindSpec& kind, const Encoded& encoded);

// Where everything lands, in dots. The quiet zone's top-left corner is at (left, top); the symbol's first
// module follows quiet_zone modules to the right (and, for a matrix symbol, below).
struct Layout {
    std::uint32_t dpi;
    std::uint32_t x_dots;               // module width, at least 1
    std::uint32_t quiet_zone;           // modules on the left (and on every side of a matrix symbol)
    std::uint32_t quiet_right;          // modules on the right
    std::uint32_t width, height;        // the whole image
    std::uint32_t left, top;            // margins before the quiet zone: what a fixed size leaves, halved
    std::uint32_t symbol_height;        // bar height of a linear symbol; rows × x_dots of a matrix symbol
    std::uint32_t text_band;            // dots below the bars kept for human-readable text
    std::uint32_t bar_width_reduction;  // dots taken off every dark run, which keeps at least one
    // What a printer should know before printing: an X outside the range the standard allows for the kind, a
    // reduction that takes half a module or more. Sentences; the label is made all the same.
    std::vector<std::string> warnings;

    double x_dim_mm() const { return to_mm(x_dots); }
    double width_mm() const { return to_mm(width); }
    double height_mm() const { return to_mm(height); }
    // One division of whole numbers, so 12 dots at 600 dpi are exactly the double nearest 0.508.
    double to_mm(std::uint32_t dots) const { return double(dots) * 254.0 / (double(dpi) * 10.0); }
};

// Sizes the label: failures are Render errors that say what does not fit.
Result<Layout> plan(const Symbol& symbol, const Options& options);

struct Rect {
    std::uint32_t x, y, w, h;  // dots; w and h at least 1
};

// Lines of text, drawn from the built-in OCR-B outlines; positions in dots.
using text::Align;
using text::TextItem;

// The whole label in dots: dark rectangles and text over a background.
struct Drawing {
    std::uint32_t width = 0, height = 0;
    std::uint32_t dpi = 300;
    Colour foreground = black;
    Colour background = white;
    std::vector<Rect> rects;  // may touch; writers merge what they can
    std::vector<TextItem> texts;
};

Drawing draw(const Symbol& symbol, const Layout& layout, const Options& options);

// 1-bit greyscale when the colours are black on opaque white, a two-entry palette otherwise; pHYs = dpi.
// `smallest` searches for the smallest file the same pixels allow, taking many times longer.
Result<PngBytes> write_png(const Drawing& drawing, bool smallest = false);

// The PNG of a planned label: the bytes of write_png(draw(symbol, layout, options), options.optimize), made
// without the drawing's rectangles where they are not needed.
Result<PngBytes> render_png(const Symbol& symbol, const Layout& layout, const Options& options);
// The colour space a vector file states its colours in. A colour is given as sRGB and converted as PDF
// converts among device spaces (ISO 32000-1, 10.3): grey = 0.3 r + 0.59 g + 0.11 b, and CMYK with black taken
// out in full, so black is 0 0 0 1 and prints with the black ink alone.
enum class ColourSpace { Rgb, Cmyk, Gray };

// How a vector file draws the human-readable text.
enum class TextFont {
    // Each glyph's OCR-B outline, defined once per file and placed where it stands: the text looks the same
    // wherever the file is opened, with no font looked up.
    Outlines,
    // The text as text in a named font, each character at the pen the outlines put it at: the smallest files,
    // searchable and selectable, drawn by whatever font the viewer has under that name. SVG names OCR-B (then
    // a monospace font), PDF and PostScript name Courier, a font every reader and printer has.
    Named,
};

struct VectorOptions {
    ColourSpace colour_space = ColourSpace::Rgb;
    TextFont text_font = TextFont::Outlines;
};

// Physical width and height in millimetres, a viewBox in dots, every dark area in one path. SVG has no device
// CMYK: Cmyk writes the colours as they are, Gray their grey.
std::string write_svg(const Drawing& drawing, const VectorOptions& options = {});
// One page of the label's exact size, vector, the same bytes for the same drawing.
std::vector<std::uint8_t> write_pdf(const Drawing& drawing, const VectorOptions& options = {});
// Encapsulated PostScript of the label's exact size (a bounding box in whole points, a high-resolution one
// exact), vector, glyphs defined once each.
std::string write_eps(const Drawing& drawing, const VectorOptions& options = {});

// How a ZPL label's image is sent to the printer.
struct ZplOptions {
    enum class Compression {
        Z64,  // ":Z64:" base64 of a zlib stream, with its CRC: the smallest
        Hex,  // ASCII hexadecimal with ZPL's repeat counts and row shortcuts, for printers without Z64
    };
    Compression compression = Compression::Z64;
    std::uint32_t copies = 1;  // ^PQ, from 1 to 99,999,999
};

// One ZPL label format (^XA ... ^XZ): ^PW and ^LL the drawing's size in dots, its image the PNG's pixels as
// graphic fields, ^PQ the copies. Colours are not kept: a thermal printer prints the dark dots. Labels over
// 32000 dots wide or high are refused.
Result<std::string> write_zpl(const Drawing& drawing, const ZplOptions& options = {});

}  // namespace tavlo::label
