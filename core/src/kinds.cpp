#include "tavlo/kinds.hpp"

#include <algorithm>
#include <array>

#include "encode/linear/retail_kinds.hpp"

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

// Quiet zones are the least each standard asks for: EAN-8 7 modules, UPC-A 9, EAN-13 11 and 7, UPC-E 9 and 7
// (an add-on's own right quiet zone is 5), Code 39, ITF and Code 128 10,
// QR Code 4, Data Matrix 1.
constexpr KindSpec table[] = {
    // name          class            family      matrix  quiet   x_dim        bar height            text                bearers gs1    encode   options
    {"ean8",         "Ean8",          Retail,     false,  7, 7,   linear_x,    std::nullopt,         TextStyle::Ean8,    None,   false, nullptr, no_options},
    {"upca",         "UpcA",          Retail,     false,  9, 9,   linear_x,    std::nullopt,         TextStyle::UpcA,    None,   false, nullptr, no_options},
    {"upca-addon",   "UpcA",          Retail,     false,  9, 9,   linear_x,    std::nullopt,         TextStyle::UpcA,    None,   false, encode_upc_a_addon_kind, upc_a_option_names},
    {"ean13",        "Ean13",         Retail,     false, 11, 7,   linear_x,    std::nullopt,         TextStyle::Ean13,   None,   false, encode_ean13_kind, ean13_option_names},
    {"upce",         "UpcE",          Retail,     false,  9, 7,   linear_x,    std::nullopt,         TextStyle::UpcE,    None,   false, encode_upc_e_kind, upc_e_option_names},
    {"isbn",         "Isbn",          Retail,     false, 11, 7,   linear_x,    std::nullopt,         TextStyle::Ean13,   None,   false, encode_isbn_kind, book_option_names},
    {"issn",         "Issn",          Retail,     false, 11, 7,   linear_x,    std::nullopt,         TextStyle::Ean13,   None,   false, encode_issn_kind, issn_option_names},
    {"ismn",         "Ismn",          Retail,     false, 11, 7,   linear_x,    std::nullopt,         TextStyle::Ean13,   None,   false, encode_ismn_kind, book_option_names},
    {"code39",       "Code39",        Industrial, false, 10, 10,  linear_x,    std::nullopt,         TextStyle::Centred, None,   false, nullptr, no_options},
    {"itf",          "Itf",           Industrial, false, 10, 10,  linear_x,    std::nullopt,         TextStyle::Centred, None,   false, nullptr, no_options},
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
