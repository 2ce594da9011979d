// Numbers as the SVG and PDF writers print them: the shortest text that rounds to the value at a fixed
// number of decimals, without trailing zeros, a leading "0" before the point, or a "-0".
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace tavlo::label {

inline void append_decimal(std::string& out, double value, int decimals) {
    char digits[64];
    auto [end, error] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    if (error != std::errc()) {
        out += '0';
        return;
    }
    char* last = end;
    if (std::string_view(digits, end - digits).find('.') != std::string_view::npos) {
        while (last[-1] == '0') --last;
        if (last[-1] == '.') --last;
    }
    std::string_view text(digits, last - digits);
    if (text == "-0") text = "0";
    if (text.starts_with("0."))
        text.remove_prefix(1);
    else if (text.starts_with("-0.")) {
        out += '-';
        text.remove_prefix(2);
    }
    out += text;
}

inline void append_integer(std::string& out, std::int64_t value) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

}  // namespace tavlo::label
