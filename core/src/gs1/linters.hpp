// The content checks the GS1 Barcode Syntax Dictionary names for a component ("linters"): check digits,
// dates and times, code lists, percent-encoding, coupons and the rest.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ai_table.hpp"

namespace tavlo::gs1 {

// Nothing when `value` (one component, already of its character set and length) passes `linter`; otherwise
// the rule it breaks, worded to follow "AI (17): ", e.g. "month 13 is not a valid month".
std::optional<std::string> lint(Linter linter, std::string_view value);

// The North American coupon codes of AIs 8110 and 8112 (coupon.cpp).
std::optional<std::string> lint_coupon_code(std::string_view value);
std::optional<std::string> lint_coupon_positive_offer(std::string_view value);

// Whether `value` is a date YYMMDD (day 00, "end of month", when `day_zero`), else the rule it breaks.
std::optional<std::string> lint_yymmdd(std::string_view value, bool day_zero);

bool all_digits(std::string_view text);

}  // namespace tavlo::gs1
