// The table of kinds: every symbol the package makes, one row each. The label planner, the text layout, the
// binding, the package and the command line read a kind's row; none of them switches on the kind. Adding a
// kind is an encoder in its family folder under encode/, one row in kinds.cpp, and tests (core/README.md).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"
#include "tavlo/length.hpp"

namespace tavlo {

// One option of a kind as the caller named it, its value in text ("12", "Q", "true", "32x32"): the kind's
// encoder reads the options it takes and refuses a value that does not fit with a message naming the option.
// The binding passes only the names the kind's row lists, so an encoder never sees one it does not know.
struct KindOption {
    std::string_view name;
    std::string_view value;
};
using KindOptions = std::span<const KindOption>;

// What a kind's encoder gives the label.
struct Encoded {
    std::variant<LinearGeometry, MatrixGeometry> geometry;
    // The printed line, check digits included, as the kind's text style lays it out; empty prints nothing.
    std::string human_readable;
    // EAN/UPC add-on: how many of the geometry's last modules are the add-on and the gap before it (0: none).
    std::uint32_t addon_modules = 0;
};

using KindEncoder = Result<Encoded> (*)(std::string_view data, KindOptions options);

// How `tavlo --help` groups the kinds.
enum class Family { Retail, Industrial, Gs1, Stacked, Matrix };

// How the human-readable line is laid out (text/linear_text).
enum class TextStyle {
    None,      // nothing printed by default
    Centred,   // one line centred under the bars
    Ean8,      // retail: two groups of four between the guards
    UpcA,      // retail: outer digits small beside the bars
    Ean13,     // retail: first digit in the left quiet zone, two groups of six
    UpcE,      // retail: number system and check digits small beside the bars
    Elements,  // GS1 element strings, one per line under a matrix symbol (on request)
};

enum class Bearers { None, Frame, Bars };

// The X-dimensions the GS1 General Specifications allow for a kind in the application it is usually printed
// for (the GS1 symbol tables of section 5.12.3): a label whose printed X falls outside draws a
// warning. {0, 0}: the standard sets no range.
struct XRange {
    double min_mm = 0;
    double max_mm = 0;
    std::string_view application;  // as the warning ends: "scanned at retail point of sale"
};

struct KindSpec {
    std::string_view name;        // the label kind and the command line's subcommand: "ean13", "gs1-128"
    std::string_view class_name;  // the package's class: "Ean13"
    std::string_view title;       // as people write it, in messages and help: "EAN-13"
    Family family;
    bool matrix;                  // matrix symbols have quiet zones on four sides, `quiet_left` wide
    std::uint32_t quiet_left;     // the least quiet zones the standard asks for, in modules
    std::uint32_t quiet_right;
    Length x_dim;                 // the module width when the caller names none
    std::optional<Length> bar_height;  // linear: the bar height when the caller names none (and the least
                                       // without a fixed height); none: 15 % of the width, 0.25 in at least
    TextStyle text;
    Bearers bearers;
    bool gs1;                                  // carries a GS1 element string
    KindEncoder encode;                         // never null
    std::span<const std::string_view> options;  // the option names `encode` reads
    double max_width_mm = 0;                    // the widest the standard allows, quiet zones included; 0: no limit
    XRange x_range{};
    // EAN/UPC: `magnification` scales x_dim and bar_height together, and the bars are always bar_height
    // scaled by the printed X over x_dim (GS1 General Specifications 5.2.3.4), whatever 15 % of the width is.
    bool magnified = false;
    // The bar height in modules where the standard fixes it so (GS1 DataBar); 0: bar_height or the default.
    std::uint32_t bar_height_modules = 0;
};

// Every kind, in the order `tavlo --help` lists them within a family.
std::span<const KindSpec> kinds();
// The row named `name`, or nullptr.
const KindSpec* find_kind(std::string_view name);

}  // namespace tavlo
