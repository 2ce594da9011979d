// The EAN/UPC family (ISO/IEC 15420): the validation the kinds share, and their table encoders.
#pragma once

#include <string>
#include <string_view>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo::ean_upc {

// Length in UTF-8 bytes (data_digits or data_digits + 1; the error names data_digits), then characters
// (ASCII digits), then the given check digit. Returns the data digits without any check digit.
Result<std::string_view> validate(std::string_view data, std::string_view symbology, std::size_t data_digits);

// For the kinds that name the expected check digit: length in UTF-8 bytes (data_digits or data_digits + 1),
// then characters (ASCII digits), then the given check digit. Returns the digits with the check digit.
Result<std::string> with_check_digit(std::string_view data, std::string_view symbology, std::size_t data_digits);

// 67 modules for 7 data digits; the check digit is computed here.
ModuleSequence ean8_modules(std::string_view digits7);

// 95 modules for 12 data digits (the first selects the parity pattern); the check digit is computed here.
ModuleSequence ean13_modules(std::string_view digits12);

// 51 modules for UPC-E's number system (0 or 1), six digits and check digit.
ModuleSequence upc_e_modules(std::string_view digits8);

// 20 modules for an EAN-2 add-on, 47 for an EAN-5 (2 or 5 digits).
ModuleSequence addon_modules(std::string_view digits);

}  // namespace tavlo::ean_upc
