#include "code128_table.hpp"

#include <array>
#include <cstdint>

#include "../../ascii.hpp"
#include "../../utf8.hpp"
#include "../../assert.hpp"

namespace tavlo::code128 {
namespace {

// Bar, space, bar, space, bar, space widths of values 0 to 106, 106 being the stop without its final
// 2-module bar (ISO/IEC 15417, Table 1). Every symbol character spans 11 modules.
constexpr std::array<std::uint32_t, 107> widths = {
    212222, 222122, 222221, 121223, 121322, 131222, 122213, 122312, 132212, 221213,  //   0
    221312, 231212, 112232, 122132, 122231, 113222, 123122, 123221, 223211, 221132,  //  10
    221231, 213212, 223112, 312131, 311222, 321122, 321221, 312212, 322112, 322211,  //  20
    212123, 212321, 232121, 111323, 131123, 131321, 112313, 132113, 132311, 211313,  //  30
    231113, 231311, 112133, 112331, 132131, 113123, 113321, 133121, 313121, 211331,  //  40
    231131, 213113, 213311, 213131, 311123, 311321, 331121, 312113, 312311, 332111,  //  50
    314111, 221411, 431111, 111224, 111422, 121124, 121421, 141122, 141221, 112214,  //  60
    112412, 122114, 122411, 142112, 142211, 241211, 221114, 413111, 241112, 134111,  //  70
    111242, 121142, 121241, 114212, 124112, 124211, 411212, 421112, 421211, 212141,  //  80
    214121, 412121, 111143, 111341, 131141, 114113, 114311, 411113, 411311, 113141,  //  90
    114131, 311141, 411131, 211412, 211214, 211232, 233111,                          // 100
};

// The same characters as 11-bit module patterns, first module in the highest bit.
constexpr std::array<std::uint16_t, 107> patterns = [] {
    std::array<std::uint16_t, 107> table{};
    for (std::size_t v = 0; v < widths.size(); ++v) {
        std::uint32_t bits = 0;
        bool dark = true;
        for (std::uint32_t w = widths[v], scale = 100000; scale > 0; w %= scale, scale /= 10, dark = !dark)
            for (std::uint32_t m = 0; m < w / scale; ++m) bits = bits << 1 | (dark ? 1u : 0u);
        table[v] = static_cast<std::uint16_t>(bits);
    }
    return table;
}();
static_assert(patterns[0] == 0b11011001100 && patterns[105] == 0b11010011100);

constexpr int stop_value = 106;
constexpr int invalid_value = -1;

enum class Set { A, B, C };

constexpr std::uint8_t* put_value(std::uint8_t* out, int value) {
    for (int bit = 10; bit >= 0; --bit) *out++ = (patterns[value] >> bit) & 1u;
    return out;
}

// The value of a non-digit character in `set`, or invalid_value. A selector of another set also switches `set`.
int value_in(Set& set, char32_t c) {
    auto change = [&set](Set to, int value) {
        set = to;
        return value;
    };
    switch (set) {
    case Set::A:
        if (c < 32) return static_cast<int>(c) + 64;
        if (c < 96) return static_cast<int>(c) - 32;
        break;
    case Set::B:
        if (c >= 32 && c < 127) return static_cast<int>(c) - 32;
        if (c == del) return 95;
        break;
    case Set::C:
        if (c == fnc1) return 102;
        if (c == select_a) return change(Set::A, 101);
        if (c == select_b) return change(Set::B, 100);
        return invalid_value;
    }
    switch (c) {
    case fnc1: return 102;
    case fnc2: return 97;
    case fnc3: return 96;
    case fnc4: return set == Set::A ? 101 : 100;
    case shift: return 98;
    case select_c: return change(Set::C, 99);
    case select_a: return set == Set::B ? change(Set::A, 101) : invalid_value;
    case select_b: return set == Set::A ? change(Set::B, 100) : invalid_value;
    default: return invalid_value;
    }
}

}  // namespace

Result<std::uint32_t> module_count(std::uint64_t characters) {
    constexpr std::uint64_t limit = UINT32_MAX;
    if (characters > (limit - 11 - 11 - 13) / 11) return std::unexpected(TavloError::encoding(too_wide));
    return static_cast<std::uint32_t>(11 * characters + 11 + 11 + 13);
}

std::expected<ModuleSequence, std::string_view> table_modules(std::string_view text) {
    if (text.size() < 2) return std::unexpected(length_invalid);

    std::size_t pos = utf8::sequence_length(static_cast<unsigned char>(text[0]));
    Set set;
    int start;
    switch (utf8::decode(text.substr(0, pos))) {
    case select_a: set = Set::A, start = 103; break;
    case select_b: set = Set::B, start = 104; break;
    case select_c: set = Set::C, start = 105; break;
    default: return std::unexpected(data_invalid);
    }

    // No character gives more than one value per byte, and the two-byte start gives one value, which leaves
    // room for the check value.
    ModuleSequence modules(11 * text.size() + 13);
    std::uint8_t* out = put_value(modules.data(), start);
    // Reduced at every step, this equals the exact weighted sum mod 103 at any length.
    std::uint32_t check = static_cast<std::uint32_t>(start) % 103;
    std::uint32_t weight = 1;
    while (pos < text.size()) {
        auto lead = static_cast<unsigned char>(text[pos]);
        int value;
        if (set == Set::C && ascii::is_digit(lead)) {
            if (pos + 1 == text.size() || !ascii::is_digit(text[pos + 1])) return std::unexpected(data_invalid);
            value = (lead - '0') * 10 + (text[pos + 1] - '0');
            pos += 2;
        } else {
            const std::string_view character = utf8::char_at(text, pos);
            value = value_in(set, utf8::decode(character));
            if (value == invalid_value) return std::unexpected(data_invalid);
            pos += character.size();
        }
        out = put_value(out, value);
        check = (check + weight * static_cast<std::uint32_t>(value)) % 103;
        weight = weight == 102 ? 0 : weight + 1;
    }
    out = put_value(out, static_cast<int>(check));
    out = put_value(out, stop_value);
    *out++ = 1;
    *out++ = 1;
    TAVLO_ASSERT(out <= modules.data() + modules.size());
    modules.resize(static_cast<std::size_t>(out - modules.data()));
    return modules;
}

}  // namespace tavlo::code128
