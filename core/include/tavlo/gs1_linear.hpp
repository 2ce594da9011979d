// The linear GS1 symbols of logistics labels: GS1-128 (Code 128 with FNC1 first) and ITF-14 (the GTIN of a
// trade item in interleaved 2 of 5), each with the line printed under it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tavlo/error.hpp"
#include "tavlo/symbol.hpp"

namespace tavlo {

// GS1-128 holds at most 48 data characters (AIs and data, FNC1 not counted) and is at most 165 mm wide,
// quiet zones included (GS1 General Specifications, 5.4.4).
inline constexpr std::size_t gs1_128_max_characters = 48;
inline constexpr double gs1_128_max_width_mm = 165.0;

struct Gs1_128Elements {
    std::vector<Code128Symbol> symbols;  // for encode_code128: FNC1 first, FNC1 after variable-length elements
    std::string human_readable;          // "(01) 09501101530003 (10) ABC123"
};

// Parsed as GS1 Data Matrix element strings are (same messages), check digits validated, or first appended
// to keys written one digit short when `complete_check_digits`, and held to the 48 characters.
Result<Gs1_128Elements> gs1_128_elements(std::string_view element_string, bool complete_check_digits = false);

// The 14 digits of an ITF-14 from 13 (the check digit is computed) or 14 (the check digit is validated).
Result<std::string> itf14_digits(std::string_view digits);

}  // namespace tavlo
