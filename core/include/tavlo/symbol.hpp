// Input records: Code 128 element lists and parsed GS1 element strings.
#pragma once

#include <string>

namespace tavlo {

// One element of an explicit Code 128 list.
struct Code128Symbol {
    enum class Kind { Data, FNC1, FNC2, FNC3, FNC4, StartA, StartB, StartC };
    Kind kind;
    std::string data;  // UTF-8 text of a Data element; empty for every other kind
};

// One GS1 element string.
struct AiField {
    std::string ai;    // 2 to 4 ASCII digits, without the parentheses
    std::string data;  // at least one character, as it followed the closing parenthesis
};

}  // namespace tavlo
