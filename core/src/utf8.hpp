// Walking UTF-8 text one code point at a time. Input comes from Python str objects, so it is well formed.
#pragma once

#include <array>
#include <cstddef>
#include <string>
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

// The code point of one complete sequence, as char_at returns it.
inline char32_t decode(std::string_view sequence) {
    auto lead = static_cast<unsigned char>(sequence[0]);
    if (sequence.size() == 1) return lead;
    char32_t code_point = sequence.size() == 2 ? lead & 0x1Fu : sequence.size() == 3 ? lead & 0x0Fu : lead & 0x07u;
    for (std::size_t i = 1; i < sequence.size(); ++i)
        code_point = code_point << 6 | (static_cast<unsigned char>(sequence[i]) & 0x3Fu);
    return code_point;
}

inline std::string encode(char32_t code_point) {
    if (code_point < 0x80) return std::string(1, static_cast<char>(code_point));
    constexpr std::array<unsigned char, 4> lead_marker = {0x00, 0xC0, 0xE0, 0xF0};  // by continuation bytes
    int continuation = code_point < 0x800 ? 1 : code_point < 0x10000 ? 2 : 3;
    std::string out;
    out.push_back(static_cast<char>(lead_marker[continuation] | (code_point >> (6 * continuation))));
    for (int i = continuation - 1; i >= 0; --i)
        out.push_back(static_cast<char>(0x80u | ((code_point >> (6 * i)) & 0x3Fu)));
    return out;
}

// How many code points `text` holds: its bytes less the continuation bytes.
inline std::size_t code_points(std::string_view text) {
    std::size_t count = 0;
    for (unsigned char byte : text) count += (byte & 0xC0u) != 0x80u;
    return count;
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
