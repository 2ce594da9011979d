// The industrial linear symbologies beyond Code 39 and ITF: Code 93 and Codabar. Data in, geometry out; the
// kinds' adapters (encode_code93_kind, encode_codabar_kind) parse the named options and call these.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo {

// Code 93 (ANSI/AIM BC5) in its Full ASCII form: 1 to 256 characters U+0000 to U+007F, those outside the 47
// characters of the symbol written as a shift character and a letter. Both check characters, C and K, follow
// the data. Every character is 9 modules, the stop character and its termination bar 10.
Result<LinearGeometry> encode_code93(std::string_view data);

// Codabar (EN 798) start and stop characters.
inline constexpr std::string_view codabar_start_stop_characters = "ABCD";

// The default wide element, 3 modules (3:1): the wider the wide elements, the more easily a scanner tells
// them from the narrow ones at a given module width; 2:1 gives a shorter symbol. Whole modules keep every
// element a whole number of printer dots, so ratios between the two are not offered.
inline constexpr std::uint32_t codabar_default_wide = 3;

struct CodabarOptions {
    // 'A' to 'D'; 0 takes them from the data when it begins and ends with one, else 'A'.
    char start = 0;
    char stop = 0;
    // A modulo-16 check character before the stop character.
    bool check_digit = false;
    // The width of a wide element in modules; a narrow one is 1. 2 or 3 (the ratios 2:1 and 3:1).
    std::uint32_t wide = codabar_default_wide;
};

// Codabar: 1 to 256 characters of 0-9 - $ : / . +, framed by start and stop characters (from `options` or
// from the data, not both).
Result<LinearGeometry> encode_codabar(std::string_view data, const CodabarOptions& options);

// The characters Codabar prints: start, data and stop, without the check character; empty when the start,
// stop or ratio is refused.
std::string codabar_printed(std::string_view data, const CodabarOptions& options);

}  // namespace tavlo
