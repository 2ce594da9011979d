#include "tavlo/kinds.hpp"

#include <algorithm>
#include <array>

#include "encode/linear/industrial_kinds.hpp"

namespace tavlo {
namespace {

using enum Family;
using enum Bearers;
using Unit = Length::Unit;

// 13 mil, the nominal X of EAN/UPC and a common choice for Code 39, Code 128 and ITF; matrix symbols, read by
// cameras, half a millimetre.
constexpr Length linear_x{0.33, Unit::Mm};
constexpr Length matrix_x{0.5, Unit::Mm};
// Shipping-carton symbols (GS1 General Specifications, the symbol table for non-retail logistics): 0.495 mm,
// the least module width scanners in distribution are set up for, and bars at least 32 mm high.
constexpr Length logistics_x{0.495, Unit::Mm};
constexpr Length logistics_bar_height{32, Unit::Mm};

constexpr std::array<std::string_view, 0> no_options{};

// Quiet zones are the least each standard asks for: EAN-8 7 modules, UPC-A 9, Code 39, ITF, Code 93, Codabar
// and Code 128 10, QR Code 4, Data Matrix 1.
constexpr KindSpec table[] = {
    // name          class            family      matrix  quiet   x_dim        bar height            text                bearers gs1    encode   options
    {"ean8",         "Ean8",          Retail,     false,  7, 7,   linear_x,    std::nullopt,         TextStyle::Ean8,    None,   false, nullptr, no_options},
    {"upca",         "UpcA",          Retail,     false,  9, 9,   linear_x,    std::nullopt,         TextStyle::UpcA,    None,   false, nullptr, no_options},
    {"code39",       "Code39",        Industrial, false, 10, 10,  linear_x,    std::nullopt,         TextStyle::Centred, None,   false, nullptr, no_options},
    {"itf",          "Itf",           Industrial, false, 10, 10,  linear_x,    std::nullopt,         TextStyle::Centred, None,   false, nullptr, no_options},
    {"code93",       "Code93",        Industrial, false, 10, 10,  linear_x,    std::nullopt,         TextStyle::Centred, None,   false, encode_code93_kind, no_options},
    {"codabar",      "Codabar",       Industrial, false, 10, 10,  linear_x,    std::nullopt,         TextStyle::Centred, None,   false, encode_codabar_kind, codabar_option_names},
    {"code128",      "Code128",       Industrial, false, 10, 10,  linear_x,    std::nullopt,         TextStyle::Centred, None,   false, nullptr, no_options},
    {"gs1-128",      "Gs1_128",       Gs1,        false, 10, 10,  logistics_x, logistics_bar_height, TextStyle::Centred, None,   true,  nullptr, no_options},
    {"itf14",        "Itf14",         Gs1,        false, 10, 10,  logistics_x, logistics_bar_height, TextStyle::Centred, Frame,  true,  nullptr, no_options},
    {"itf14-bars",   "Itf14",         Gs1,        false, 10, 10,  logistics_x, logistics_bar_height, TextStyle::Centred, Bars,   true,  nullptr, no_options},
    {"qr",           "QrCode",        Matrix,     true,   4, 4,   matrix_x,    std::nullopt,         TextStyle::None,    None,   false, nullptr, no_options},
    {"datamatrix",   "DataMatrix",    Matrix,     true,   1, 1,   matrix_x,    std::nullopt,         TextStyle::None,    None,   false, nullptr, no_options},
    {"gs1-datamatrix", "Gs1DataMatrix", Gs1,      true,   1, 1,   matrix_x,    std::nullopt,         TextStyle::Elements, None,  true,  nullptr, no_options},
};

}  // namespace

std::span<const KindSpec> kinds() { return table; }

const KindSpec* find_kind(std::string_view name) {
    const auto* row = std::ranges::find(table, name, &KindSpec::name);
    return row == std::end(table) ? nullptr : row;
}

}  // namespace tavlo
