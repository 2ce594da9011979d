#include "tavlo/kinds.hpp"

#include <algorithm>
#include <array>

#include "encode/aztec/aztec_kinds.hpp"
#include "encode/code128/code128_kinds.hpp"
#include "encode/databar/databar_kinds.hpp"
#include "encode/datamatrix/datamatrix_kinds.hpp"
#include "encode/linear/industrial_kinds.hpp"
#include "encode/linear/linear_kinds.hpp"
#include "encode/linear/retail_kinds.hpp"
#include "encode/pdf417/pdf417_kinds.hpp"
#include "encode/qr/qr_kinds.hpp"
#include "tavlo/gs1_linear.hpp"
#include "tavlo/gs1_qr.hpp"

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
// EAN/UPC at 100 % (GS1 General Specifications 5.2.3.4, Figure 5.2.3.4-1): the bars of EAN-13, UPC-A and UPC-E
// 22.85 mm high, those of EAN-8 18.23 mm; a magnification scales both with X.
constexpr Length retail_bar_height{22.85, Unit::Mm};
constexpr Length ean8_bar_height{18.23, Unit::Mm};
// The X-dimensions of the GS1 symbol tables (5.12.3): table 1, trade items scanned at the retail point
// of sale (80 % to 200 % of 0.33 mm), and table 2, non-retail trade items in general distribution.
constexpr XRange retail_x_range{0.264, 0.660, "scanned at retail point of sale"};
constexpr XRange logistics_x_range{0.495, 1.016, "in general distribution"};

constexpr std::array<std::string_view, 0> no_options{};
constexpr std::array<std::string_view, 1> code128_options{"elements"};
constexpr std::array<std::string_view, 1> gs1_128_options{"compute_check_digits"};
constexpr std::array<std::string_view, 5> datamatrix_options{"shape", "dmre", "size", "eci", "structured_append"};
constexpr std::array<std::string_view, 3> gs1_datamatrix_options{"shape", "dmre", "size"};
constexpr std::array<std::string_view, 6> qr_options{"error_correction", "version", "mask", "boost_error", "eci",
                                                     "structured_append"};
constexpr std::array<std::string_view, 3> micro_qr_options{"error_correction", "version", "mask"};
constexpr std::array<std::string_view, 3> rmqr_options{"error_correction", "height", "size"};
constexpr std::array<std::string_view, 4> codabar_options{"start", "stop", "check_digit", "ratio"};
constexpr std::array<std::string_view, 1> databar_expanded_stacked_options{"segments_per_row"};
constexpr std::array<std::string_view, 8> pdf417_options{"error_correction", "columns",       "rows",    "compact",
                                                         "eci",              "segment_index", "file_id", "last_segment"};
constexpr std::array<std::string_view, 2> micro_pdf417_options{"columns", "eci"};
constexpr std::array<std::string_view, 6> aztec_options{"layers", "error_correction", "eci", "structured_append_index",
                                                       "structured_append_count", "structured_append_id"};

// GS1 DataBar (ISO/IEC 24724) needs no quiet zone, Limited one module each side. Bars are as high as the
// standard sets in modules, whatever the module width: Omnidirectional 33, Truncated 13, Limited 10, Expanded
// 34; the stacked forms are matrices whose rows carry their own heights.
constexpr std::uint32_t databar_modules_high = 33;
constexpr std::uint32_t databar_truncated_modules_high = 13;
constexpr std::uint32_t databar_limited_modules_high = 10;
constexpr std::uint32_t databar_expanded_modules_high = 34;

// clang-format off
// Quiet zones are the least each standard asks for: EAN-8 7 modules, UPC-A 9, EAN-13 11 and 7, UPC-E 9 and 7
// (an add-on has a right quiet zone of its own, 5 modules), Code 39, ITF, Code 93, Codabar and Code 128 10,
// QR Code 4, Micro QR and rMQR 2, Data Matrix 1, PDF417 2 and MicroPDF417 1 (on every side); Aztec Code none,
// its bullseye is found from the centre. Stacked symbols are drawn as matrices, each row repeated to its height
// (3 modules for PDF417, 2 for MicroPDF417), with the module of linear symbols.
constexpr KindSpec table[] = {
    // name, class, title, family, matrix, quiet left and right, X, bar height, text, bearers, GS1, encoder, options,
    // greatest width, X range, magnified, bar height in modules
    {"ean8",                     "Ean8",            "EAN-8",                               Retail,     false, 7,  7,  linear_x,    ean8_bar_height,      TextStyle::Ean8,     None,  false, encode_ean8_kind,                     no_options,                       0, retail_x_range, true},
    {"upca",                     "UpcA",            "UPC-A",                               Retail,     false, 9,  9,  linear_x,    retail_bar_height,    TextStyle::UpcA,     None,  false, encode_upc_a_kind,                    upc_a_option_names,               0, retail_x_range, true},
    {"ean13",                    "Ean13",           "EAN-13",                              Retail,     false, 11, 7,  linear_x,    retail_bar_height,    TextStyle::Ean13,    None,  false, encode_ean13_kind,                    ean13_option_names,               0, retail_x_range, true},
    {"upce",                     "UpcE",            "UPC-E",                               Retail,     false, 9,  7,  linear_x,    retail_bar_height,    TextStyle::UpcE,     None,  false, encode_upc_e_kind,                    upc_e_option_names,               0, retail_x_range, true},
    {"isbn",                     "Isbn",            "ISBN",                                Retail,     false, 11, 7,  linear_x,    retail_bar_height,    TextStyle::Ean13,    None,  false, encode_isbn_kind,                     book_option_names,                0, retail_x_range, true},
    {"issn",                     "Issn",            "ISSN",                                Retail,     false, 11, 7,  linear_x,    retail_bar_height,    TextStyle::Ean13,    None,  false, encode_issn_kind,                     issn_option_names,                0, retail_x_range, true},
    {"ismn",                     "Ismn",            "ISMN",                                Retail,     false, 11, 7,  linear_x,    retail_bar_height,    TextStyle::Ean13,    None,  false, encode_ismn_kind,                     book_option_names,                0, retail_x_range, true},
    {"code39",                   "Code39",          "Code 39",                             Industrial, false, 10, 10, linear_x,    std::nullopt,         TextStyle::Centred,  None,  false, encode_code39_kind,                   no_options},
    {"itf",                      "Itf",             "ITF",                                 Industrial, false, 10, 10, linear_x,    std::nullopt,         TextStyle::Centred,  None,  false, encode_itf_kind,                      no_options},
    {"code93",                   "Code93",          "Code 93",                             Industrial, false, 10, 10, linear_x,    std::nullopt,         TextStyle::Centred,  None,  false, encode_code93_kind,                   no_options},
    {"codabar",                  "Codabar",         "Codabar",                             Industrial, false, 10, 10, linear_x,    std::nullopt,         TextStyle::Centred,  None,  false, encode_codabar_kind,                  codabar_options},
    {"code128",                  "Code128",         "Code 128",                            Industrial, false, 10, 10, linear_x,    std::nullopt,         TextStyle::Centred,  None,  false, encode_code128_kind,                  code128_options},
    {"gs1-128",                  "Gs1_128",         "GS1-128",                             Gs1,        false, 10, 10, logistics_x, logistics_bar_height, TextStyle::Centred,  None,  true,  encode_gs1_128_kind,                  gs1_128_options,                  gs1_128_max_width_mm, logistics_x_range},
    {"itf14",                    "Itf14",           "ITF-14",                              Gs1,        false, 10, 10, logistics_x, logistics_bar_height, TextStyle::Centred,  Frame, true,  encode_itf14_kind,                    no_options,                       0, logistics_x_range},
    {"itf14-bars",               "Itf14",           "ITF-14",                              Gs1,        false, 10, 10, logistics_x, logistics_bar_height, TextStyle::Centred,  Bars,  true,  encode_itf14_kind,                    no_options,                       0, logistics_x_range},
    {"qr",                       "QrCode",          "QR Code",                             Matrix,     true,  4,  4,  matrix_x,    std::nullopt,         TextStyle::None,     None,  false, encode_qr_kind,                       qr_options},
    {"microqr",                  "MicroQr",         "Micro QR Code",                       Matrix,     true,  2,  2,  matrix_x,    std::nullopt,         TextStyle::None,     None,  false, encode_micro_qr_kind,                 micro_qr_options},
    {"rmqr",                     "RmQr",            "rMQR",                                Matrix,     true,  2,  2,  matrix_x,    std::nullopt,         TextStyle::None,     None,  false, encode_rmqr_kind,                     rmqr_options},
    {"datamatrix",               "DataMatrix",      "Data Matrix",                         Matrix,     true,  1,  1,  matrix_x,    std::nullopt,         TextStyle::None,     None,  false, encode_datamatrix_kind,               datamatrix_options},
    {"gs1-datamatrix",           "Gs1DataMatrix",   "GS1 Data Matrix",                     Gs1,        true,  1,  1,  matrix_x,    std::nullopt,         TextStyle::Elements, None,  true,  encode_gs1_datamatrix_kind,           gs1_datamatrix_options},
    {"gs1-qr",                   "Gs1Qr",           "GS1 QR Code",                         Gs1,        true,  4,  4,  matrix_x,    std::nullopt,         TextStyle::Elements, None,  true,  encode_gs1_qr_kind,                   no_options},
    {"databar",                  "DataBar",         "GS1 DataBar Omnidirectional",         Gs1,        false, 0,  0,  linear_x,    std::nullopt,         TextStyle::Centred,  None,  true,  encode_databar_kind,                  no_options,                       0, retail_x_range, false, databar_modules_high},
    {"databar-truncated",        "DataBar",         "GS1 DataBar Truncated",               Gs1,        false, 0,  0,  linear_x,    std::nullopt,         TextStyle::Centred,  None,  true,  encode_databar_truncated_kind,        no_options,                       0, {},             false, databar_truncated_modules_high},
    {"databar-stacked",          "DataBar",         "GS1 DataBar Stacked",                 Gs1,        true,  0,  0,  linear_x,    std::nullopt,         TextStyle::Centred,  None,  true,  encode_databar_stacked_kind,          no_options},
    {"databar-stacked-omni",     "DataBar",         "GS1 DataBar Stacked Omnidirectional", Gs1,        true,  0,  0,  linear_x,    std::nullopt,         TextStyle::Centred,  None,  true,  encode_databar_stacked_omni_kind,     no_options,                       0, retail_x_range},
    {"databar-limited",          "DataBarLimited",  "GS1 DataBar Limited",                 Gs1,        false, 1,  1,  linear_x,    std::nullopt,         TextStyle::Centred,  None,  true,  encode_databar_limited_kind,          no_options,                       0, {},             false, databar_limited_modules_high},
    {"databar-expanded",         "DataBarExpanded", "GS1 DataBar Expanded",                Gs1,        false, 0,  0,  linear_x,    std::nullopt,         TextStyle::Centred,  None,  true,  encode_databar_expanded_kind,         no_options,                       0, retail_x_range, false, databar_expanded_modules_high},
    {"databar-expanded-stacked", "DataBarExpanded", "GS1 DataBar Expanded Stacked",        Gs1,        true,  0,  0,  linear_x,    std::nullopt,         TextStyle::Centred,  None,  true,  encode_databar_expanded_stacked_kind, databar_expanded_stacked_options, 0, retail_x_range},
    {"pdf417",                   "Pdf417",          "PDF417",                              Stacked,    true,  2,  2,  linear_x,    std::nullopt,         TextStyle::None,     None,  false, encode_pdf417_kind,                   pdf417_options},
    {"micropdf417",              "MicroPdf417",     "MicroPDF417",                         Stacked,    true,  1,  1,  linear_x,    std::nullopt,         TextStyle::None,     None,  false, encode_micro_pdf417_kind,             micro_pdf417_options},
    {"aztec",                    "Aztec",           "Aztec Code",                          Matrix,     true,  0,  0,  matrix_x,    std::nullopt,         TextStyle::None,     None,  false, encode_aztec_kind,                    aztec_options},
    {"aztec-rune",               "AztecRune",       "Aztec Rune",                          Matrix,     true,  0,  0,  matrix_x,    std::nullopt,         TextStyle::None,     None,  false, encode_aztec_rune_kind,               no_options},
};
// clang-format on

}  // namespace

std::span<const KindSpec> kinds() { return table; }

const KindSpec* find_kind(std::string_view name) {
    const auto* row = std::ranges::find(table, name, &KindSpec::name);
    return row == std::end(table) ? nullptr : row;
}

}  // namespace tavlo
