// The GTIN that DataBar Omnidirectional, its stacked forms and Limited carry.
#pragma once

#include <string>
#include <string_view>

#include "tavlo/error.hpp"

namespace tavlo::databar {

// The 14 digits of the GTIN, check digit last, from 13 digits (the check digit is computed), 14 with the
// right check digit, or either after "(01)". `symbology` names the symbol in messages.
Result<std::string> gtin14(std::string_view data, std::string_view symbology);

// The line printed under the symbol: "(01)" and the 14 digits.
std::string gtin_human_readable(std::string_view gtin14);

}  // namespace tavlo::databar
