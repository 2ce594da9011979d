// DataBar Expanded's bit stream and its general-purpose field (ISO/IEC 24724, 7.2.5): the data after the
// compressed fields, in numeric, alphanumeric and ISO/IEC 646 modes.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "tavlo/error.hpp"

namespace tavlo::databar {

// Bits, most significant first, one a byte.
struct Bits {
    std::vector<std::uint8_t> bits;

    void put(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) bits.push_back(std::uint8_t((value >> i) & 1u));
    }
    std::size_t size() const { return bits.size(); }
};

enum class GeneralMode { Numeric, Alphanumeric, Iso646 };

// Where the field ended: its mode, and a last digit left over in numeric mode (0 when none), whose encoding
// depends on the room left in the last symbol character (7.2.5.5.1 c).
struct GeneralFieldEnd {
    GeneralMode mode = GeneralMode::Numeric;
    char last_digit = 0;
};

// The field's characters, FNC1 written as GS (0x1D), appended to `bits` by the mode rules of 7.2.5.5.1 to
// 7.2.5.5.3; a character outside the three modes' sets is refused.
Result<GeneralFieldEnd> encode_general_field(std::string_view text, Bits& bits);

}  // namespace tavlo::databar
