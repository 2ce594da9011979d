#include "tavlo/kinds.hpp"

#include <algorithm>
#include <array>

#include "encode/code128/code128_kinds.hpp"
#include "encode/datamatrix/datamatrix_kinds.hpp"
#include "encode/linear/linear_kinds.hpp"
#include "encode/qr/qr_kinds.hpp"
#include "tavlo/gs1_linear.hpp"

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
constexpr std::array<std::string_view, 1> code128_options{"elements"};
constexpr std::array<std::string_view, 1> gs1_128_options{"compute_check_digits"};
constexpr std::array<std::string_view, 1> datamatrix_options{"shape"};

// clang-format off
// Quiet zones are the least each standard asks for: EAN-8 7 modules, UPC-A 9, Code 39, ITF and Code 128 10,
// QR Code 4, Data Matrix 1.
constexpr KindSpec table[] = {
    // name, class, title, family, matrix, quiet left and right, X, bar height, text, bearers, GS1, encoder, options
    {"ean8",           "Ean8",          "EAN-8",           Retail,     false, 7,  7,  linear_x,    std::nullopt,         TextStyle::Ean8,     None,  false, encode_ean8_kind,           no_options},
    {"upca",           "UpcA",          "UPC-A",           Retail,     false, 9,  9,  linear_x,    std::nullopt,         TextStyle::UpcA,     None,  false, encode_upc_a_kind,          no_options},
    {"code39",         "Code39",        "Code 39",         Industrial, false, 10, 10, linear_x,    std::nullopt,         TextStyle::Centred,  None,  false, encode_code39_kind,         no_options},
    {"itf",            "Itf",           "ITF",             Industrial, false, 10, 10, linear_x,    std::nullopt,         TextStyle::Centred,  None,  false, encode_itf_kind,            no_options},
    {"code128",        "Code128",       "Code 128",        Industrial, false, 10, 10, linear_x,    std::nullopt,         TextStyle::Centred,  None,  false, encode_code128_kind,        code128_options},
    {"gs1-128",        "Gs1_128",       "GS1-128",         Gs1,        false, 10, 10, logistics_x, logistics_bar_height, TextStyle::Centred,  None,  true,  encode_gs1_128_kind,        gs1_128_options,    gs1_128_max_width_mm},
    {"itf14",          "Itf14",         "ITF-14",          Gs1,        false, 10, 10, logistics_x, logistics_bar_height, TextStyle::Centred,  Frame, true,  encode_itf14_kind,          no_options},
    {"itf14-bars",     "Itf14",         "ITF-14",          Gs1,        false, 10, 10, logistics_x, logistics_bar_height, TextStyle::Centred,  Bars,  true,  encode_itf14_kind,          no_options},
    {"qr",             "QrCode",        "QR Code",         Matrix,     true,  4,  4,  matrix_x,    std::nullopt,         TextStyle::None,     None,  false, encode_qr_kind,             no_options},
    {"datamatrix",     "DataMatrix",    "Data Matrix",     Matrix,     true,  1,  1,  matrix_x,    std::nullopt,         TextStyle::None,     None,  false, encode_datamatrix_kind,     datamatrix_options},
    {"gs1-datamatrix", "Gs1DataMatrix", "GS1 Data Matrix", Gs1,        true,  1,  1,  matrix_x,    std::nullopt,         TextStyle::Elements, None,  true,  encode_gs1_datamatrix_kind, datamatrix_options},
};
// clang-format on

}  // namespace

std::span<const KindSpec> kinds() { return table; }

const KindSpec* find_kind(std::string_view name) {
    const auto* row = std::ranges::find(table, name, &KindSpec::name);
    return row == std::end(table) ? nullptr : row;
}

}  // namespace tavlo
