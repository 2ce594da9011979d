// Walking UTF-8 text one code point at a time. Input comes from Python str objects, so it is well formed.
#pragma once

#include <cstddef>
#include <string_view>

namespace tavlo::utf8 {

// Byte length of the code point whose lead byte is `lead`.
inline std::size_t sequence_length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

// The code point starting at `pos`, as its bytes.
inline std::string_view char_at(std::string_view text, std::size_t pos) {
    return text.substr(pos, sequence_length(static_cast<unsigned char>(text[pos])));
}

// The first code point of `text` for which `accept(byte)` fails, treating every multi-byte code point as
// refused; empty when every byte is accepted.
template <class Accept>
std::string_view first_refused(std::string_view text, Accept accept) {
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        auto byte = static_cast<unsigned char>(text[pos]);
        if (byte >= 0x80 || !accept(byte)) return char_at(text, pos);
    }
    return {};
}

}  // namespace tavlo::utf8
