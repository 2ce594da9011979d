// Hyphenation of book and music numbers by the ranges their agencies allot (ISO 2108 for the ISBN, ISO 10957
// for the ISMN): prefix, registration group, registrant, publication and check digit.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavlo {

// "978-0-306-40615-7" for the 13 digits "9780306406157", "979-0-2306-7118-7" for an ISMN; nothing when the
// table does not know the group or the registrant's range (unallotted, or allotted after the table's date).
std::optional<std::string> hyphenated_book_number(std::string_view ean13);

}  // namespace tavlo
