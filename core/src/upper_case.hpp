// Unicode's full upper-case mapping (UnicodeData.txt with the unconditional SpecialCasing.txt entries), the
// mapping that can lengthen a text: U+00DF 'ß' becomes "SS", U+FB01 'ﬁ' becomes "FI".
#pragma once

#include <array>
#include <cstdint>

namespace tavlo::unicode {

// One to three code points; the entries from `size` on are 0.
struct UpperCase {
    std::array<char32_t, 3> code_points;
    std::uint8_t size;  // in the range [1, 3]
};

// The upper case of a code point; a code point without one maps to itself. ASCII directly, the rest by a
// binary search over about 300 runs.
UpperCase to_upper(char32_t code_point);

}  // namespace tavlo::unicode
