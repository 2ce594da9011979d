// Hyphenation of book and music numbers by the ranges their agencies allot (ISO 2108 for the ISBN, ISO 10957
// for the ISMN): prefix, registration group, registrant, publication and check digit.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavlo {

// "978-0-306-40615-7" for the 13 digits "9780306406157"; nothing when the table does not know the group or the
// registrant's range (unallotted, or allotted after the table's date), and for 979-0, which is the ISMN's.
std::optional<std::string> hyphenated_isbn(std::string_view ean13);

// "979-0-2306-7118-7" for the 13 digits "9790230671187"; nothing for a number outside 979-0.
std::optional<std::string> hyphenated_ismn(std::string_view ean13);

}  // namespace tavlo
