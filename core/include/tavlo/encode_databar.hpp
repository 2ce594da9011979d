// The GS1 DataBar family (ISO/IEC 24724): Omnidirectional, Truncated, Stacked and Stacked Omnidirectional
// carry a GTIN-14, Limited a GTIN-14 with indicator 0 or 1, Expanded and Expanded Stacked a GS1 element string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo {

// One row of modules and its height in modules: a symbol row, or a one-module separator row between them.
struct DataBarRow {
    ModuleSequence modules;  // left to right, 1 dark; as wide as the symbol's widest row
    std::uint32_t height;    // modules high, at least 1
};

// A complete symbol, quiet zones excluded, rows from the top; every row has the same number of modules.
struct DataBarSymbol {
    std::vector<DataBarRow> rows;
    std::string human_readable;  // "(01)09501101530003", or the element string as parsed: "(01)…(3103)…"
};

enum class DataBarVariant { Omnidirectional, Truncated, Stacked, StackedOmnidirectional };

// 13 digits (the check digit is computed), 14 with the right check digit, or either after "(01)".
Result<DataBarSymbol> encode_databar(std::string_view gtin, DataBarVariant variant);

// As encode_databar, and the GTIN's indicator digit (its first of 14) is 0 or 1.
Result<DataBarSymbol> encode_databar_limited(std::string_view gtin);

// DataBar Expanded Stacked takes 2 to 20 segments (symbol characters) a row, an even number; 0 is
// DataBar Expanded, one row.
inline constexpr std::uint32_t databar_min_segments_per_row = 2;
inline constexpr std::uint32_t databar_max_segments_per_row = 20;

struct DataBarExpandedOptions {
    std::uint32_t segments_per_row = 0;
};

// A GS1 element string "(01)09501101530003(3103)000123", check digits validated, at most 74 digits or
// 41 letters once encoded (21 data characters of 12 bits).
Result<DataBarSymbol> encode_databar_expanded(std::string_view element_string, const DataBarExpandedOptions& options);

// The symbol as a matrix, each row repeated as many times as it is modules high (x_dim is the module width).
MatrixGeometry databar_matrix(const DataBarSymbol& symbol);

// A one-row symbol's bars.
LinearGeometry databar_bars(const DataBarSymbol& symbol);

}  // namespace tavlo
