// The Code 128 table encoder (ISO/IEC 15417): selector text in, module sequence out.
#pragma once

#include <cstdint>
#include <expected>
#include <string_view>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo::code128 {

// Selector text is UTF-8: ASCII characters stand for themselves (a digit pair in set C is two digits), and
// these characters, all below U+0800 and so two bytes each, stand for the rest.
inline constexpr char32_t select_a = U'\u00C0';  // 'À': START A first, CODE A later
inline constexpr char32_t select_b = U'\u0181';  // 'Ɓ': START B first, CODE B later
inline constexpr char32_t select_c = U'\u0106';  // 'Ć': START C first, CODE C later
inline constexpr char32_t fnc1 = U'\u0179';      // 'Ź', in every set
inline constexpr char32_t fnc2 = U'\u017A';      // 'ź', A and B
inline constexpr char32_t fnc3 = U'\u017B';      // 'Ż', A and B
inline constexpr char32_t fnc4 = U'\u017C';      // 'ż', A and B
inline constexpr char32_t shift = U'\u017D';     // 'Ž', A and B; a plain value, the next character keeps the set
inline constexpr char32_t del = U'\u00F7';       // '÷', DEL in B (raw DEL is refused)

inline constexpr std::string_view data_invalid = "Barcode data is invalid";
inline constexpr std::string_view length_invalid = "Barcode data length is invalid";

inline constexpr std::string_view too_wide = "Code 128 symbol would be wider than 4294967295 modules";

// The width in modules of a symbol of `characters` symbol characters between the start and the check value:
// 11 for the start, each character and the check value, 13 for the stop. Fails with too_wide (wrapped as an
// Encoding error) when it passes 2^32 - 1, the most the 32-bit positions of a LinearGeometry describe.
Result<std::uint32_t> module_count(std::uint64_t characters);

// 11 modules per value from the start to the last data value, the check value, then the 13-module stop.
// Fails with length_invalid for a text under two bytes and with data_invalid for a first character that is
// not a selector, a character the current set lacks (a selector of the current set included), or a digit
// of set C left without its partner.
std::expected<ModuleSequence, std::string_view> table_modules(std::string_view selector);

}  // namespace tavlo::code128
