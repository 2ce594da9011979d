// The linear GS1 symbols of logistics labels: GS1-128 (Code 128 with FNC1 first) and ITF-14 (the GTIN of a
// trade item in interleaved 2 of 5). Each comes with the line printed under it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo {

struct Gs1LinearSymbol {
    LinearGeometry geometry;
    std::string human_readable;  // "(01) 09501101530003 (10) ABC123" for GS1-128, the 14 digits for ITF-14
};

// GS1-128 holds at most 48 data characters (AIs and data, FNC1 not counted) and is at most 165 mm wide,
// quiet zones included (GS1 General Specifications, 5.4.4).
inline constexpr std::size_t gs1_128_max_characters = 48;
inline constexpr double gs1_128_max_width_mm = 165.0;

// Parsed as GS1 Data Matrix element strings are (same messages), check digits validated, or first appended
// to keys written one digit short when `complete_check_digits`; then planned as Code 128 with FNC1 first
// and FNC1 after every variable-length element but the last.
Result<Gs1LinearSymbol> encode_gs1_128(std::string_view element_string, bool complete_check_digits = false);

// 13 digits (the check digit is computed) or 14 (the check digit is validated), as ITF.
Result<Gs1LinearSymbol> encode_itf14(std::string_view digits);

}  // namespace tavlo
