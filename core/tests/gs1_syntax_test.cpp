// The GS1 table and the content checks below the package: lookups of AI ranges, the check characters of
// both key kinds against GS1's worked examples, and one message of each kind of rule.
#include <string>

#include "check.hpp"
#include "gs1/ai_table.hpp"
#include "gs1/check_characters.hpp"
#include "gs1/linters.hpp"
#include "tavlo/gs1_syntax.hpp"

using namespace tavlo;

namespace {

std::string message_of(std::string_view text) {
    auto parsed = gs1::parse_element_string(text);
    return parsed ? std::string("ok") : parsed.error().display();
}

void lookups() {
    CHECK(gs1::find_ai("01") && gs1::find_ai("01")->title == "GTIN");
    CHECK(gs1::find_ai("3103") && gs1::find_ai("3103")->first == "3100");
    CHECK(!gs1::find_ai("3106"));  // 3100-3105 only
    CHECK(!gs1::find_ai("23") && !gs1::find_ai("31") && !gs1::find_ai("2300"));
    CHECK(gs1::find_ai("95") && gs1::find_ai("95")->first == "91");
    CHECK(!gs1::needs_separator("01") && gs1::needs_separator("10") && gs1::needs_separator("23"));
    CHECK(gs1::matches_pattern("31nn", "3102") && !gs1::matches_pattern("31nn", "310") &&
          !gs1::matches_pattern("31nn", "3202"));
}

// GS1 General Specifications 7.9.1 (GTIN-13 4006381333931) and 7.9.5 (GMN "1987654Ad4X4bL5ttr2310c2K").
void check_characters() {
    CHECK(gs1::numeric_check_digit_ok("4006381333931"));
    CHECK(!gs1::numeric_check_digit_ok("4006381333932"));
    CHECK(gs1::check_character_pair_ok("1987654Ad4X4bL5ttr2310c2K"));
    CHECK(!gs1::check_character_pair_ok("1987654Ad4X4bL5ttr2310cXK"));
}

void coupons() {
    CHECK(!gs1::lint_coupon_code("012345612345611110123"));
    CHECK(gs1::lint_coupon_code("0123456123456111101231011012301234560"));  // data after the last field
    CHECK(!gs1::lint_coupon_positive_offer("001234561234560123456"));
    CHECK(gs1::lint_coupon_positive_offer("0012345"));
}

void messages() {
    CHECK(message_of("(01)09501101530003(17)251301") == "AI (17): month 13 is not a valid month");
    CHECK(message_of("(01)09501101530004") == "AI (01): the check digit is incorrect");
    CHECK(message_of("(10)ABC") == "AI (10): requires AI (01) or (02) or (03) or (8006) or (8026)");
    CHECK(message_of("(01)09501101530003(255)9501101530003") == "AI (01): may not appear with AI (255)");
    CHECK(message_of("(01)09501101530003(01)09501101530010") == "AI (01): appears twice with different values");
    CHECK(message_of("(01)09501101530003(10)A\\(B") == "ok");
}

}  // namespace

int main() {
    lookups();
    check_characters();
    coupons();
    messages();
    return test::failures();
}
