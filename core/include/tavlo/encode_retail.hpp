// The retail symbols beyond EAN-8 and UPC-A (ISO/IEC 15420, GS1 General Specifications 5.2): EAN-13, UPC-E
// and the EAN-2 and EAN-5 add-ons. Texts are UTF-8; a given check digit that is wrong is refused with the
// digit it should have been.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo {

// The 13 digits of an EAN-13 from 12 (the check digit is computed) or 13 (it is validated).
Result<std::string> ean13_digits(std::string_view data);
// 95 modules.
Result<LinearGeometry> encode_ean13(std::string_view data);

// The 8 digits of a UPC-E (number system 0 or 1, six digits, check digit) from 6 digits (number system 0),
// 7 (number system first) or 8 (check digit last, validated). The check digit is the UPC-A one of the
// expansion.
Result<std::string> upc_e_digits(std::string_view data);
// The 12-digit UPC-A that a UPC-E's 8 digits stand for: the zeros it leaves out put back.
std::string upc_e_to_upc_a(std::string_view digits8);
// The 8 digits of the UPC-E for a UPC-A of 11 or 12 digits, refused with the reason when the UPC-A has no
// zeros in the places UPC-E leaves them out, or a number system other than 0 and 1.
Result<std::string> upc_a_to_upc_e(std::string_view upc_a);
// 51 modules.
Result<LinearGeometry> encode_upc_e(std::string_view data);

// The gap between a main symbol and its add-on, in modules (GS1 General Specifications 5.2.3.4: 7 to 12).
inline constexpr std::uint32_t addon_gap_least = 7;
inline constexpr std::uint32_t addon_gap_most = 12;
inline constexpr std::uint32_t addon_gap_default = 9;

// An EAN-2 (20 modules) or EAN-5 (47 modules) add-on from 2 or 5 digits.
Result<LinearGeometry> encode_ean_addon(std::string_view digits);
// `main` followed by `gap` light modules and `addon`: the add-on takes the last gap + addon.total_modules
// modules of the result.
LinearGeometry with_addon(const LinearGeometry& main, const LinearGeometry& addon, std::uint32_t gap);

// A book, serial or music number carried as an EAN-13 (GS1 General Specifications 2.1.3): the 13 digits
// and the line printed above the symbol.
struct BookNumber {
    std::string ean13;     // check digit included
    std::string headline;  // "ISBN 978-0-306-40615-7": hyphenated by the ISBN (ISMN) ranges
};

// ISBN-13 (978 or 979) or ISBN-10 (check digit modulo 11, X for 10), which becomes 978 and a new check digit;
// hyphens or spaces may stand between the digits. The printed line is hyphenated by the ISBN ranges whatever
// hyphens were written; a number outside the known ranges keeps the caller's hyphenation.
Result<BookNumber> isbn_to_ean13(std::string_view isbn);
// ISSN "0317-8471" (check digit modulo 11, X for 10): 977, its seven digits, the two-digit `variant`.
Result<BookNumber> issn_to_ean13(std::string_view issn, std::string_view variant);
// ISMN "979-0-2306-7118-7", or the older "M-2306-7118-7", which is the same number.
Result<BookNumber> ismn_to_ean13(std::string_view ismn);

}  // namespace tavlo
