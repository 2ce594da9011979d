#include <array>
#include <cstdint>
#include <utility>

#include "../../ascii.hpp"
#include "../../utf8.hpp"
#include "tavlo/encode.hpp"

namespace tavlo {
namespace {

constexpr std::size_t max_digits = 256;

// The wide elements of each digit's 2-of-5 pattern (ISO/IEC 16390), the most significant bit the first of
// the five elements.
constexpr std::array<std::uint8_t, 10> wide_elements = {0b00110, 0b10001, 0b01001, 0b11000, 0b00101,
                                                        0b10100, 0b01100, 0b00011, 0b10010, 0b01010};

// Narrow 1 module, wide 3 (3:1).
constexpr int wide = 3;

void append_run(ModuleSequence& out, std::uint8_t module, int width) { out.insert(out.end(), width, module); }

// The interleaved table encoder: an even number of digits, 2 to 256, no check digit. Each pair is one
// character of 18 modules, its first digit in the bars and its second in the spaces. The stop pattern is a
// wide bar, a narrow space and a narrow bar; `stop_bar` is the wide bar's width (2, or 3 like every other
// wide element).
Result<ModuleSequence> itf_modules(std::string_view digits, int stop_bar) {
    if (digits.size() > max_digits) return std::unexpected(TavloError::encoding("Barcode data length is invalid"));
    if (!utf8::first_refused(digits, ascii::is_digit).empty())
        return std::unexpected(TavloError::encoding("Barcode data is invalid"));
    ModuleSequence out;
    out.reserve(8 + 9 * digits.size());
    for (std::uint8_t module : {1, 0, 1, 0}) out.push_back(module);
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        std::uint8_t bars = wide_elements[digits[i] - '0'];
        std::uint8_t spaces = wide_elements[digits[i + 1] - '0'];
        for (int element = 4; element >= 0; --element) {
            append_run(out, 1, (bars >> element) & 1u ? wide : 1);
            append_run(out, 0, (spaces >> element) & 1u ? wide : 1);
        }
    }
    append_run(out, 1, stop_bar);
    for (std::uint8_t module : {0, 1}) out.push_back(module);
    return out;
}

Result<LinearGeometry> itf_with_stop_bar(std::string_view data, int stop_bar) {
    auto bad = utf8::first_refused(data, ascii::is_digit);
    if (!bad.empty()) return std::unexpected(TavloError::invalid_character("ITF", bad));
    if (data.size() % 2 != 0) return std::unexpected(TavloError::encoding("ITF requires even-length data"));
    if (data.empty()) return std::unexpected(TavloError::encoding("ITF data cannot be empty"));
    auto modules = itf_modules(data, stop_bar);
    if (!modules) return std::unexpected(std::move(modules.error()));
    return bars_from_modules(*modules);
}

}  // namespace

Result<LinearGeometry> encode_itf(std::string_view data) { return itf_with_stop_bar(data, 2); }

// ISO/IEC 16390 draws the stop pattern's bar wide, at the symbol's wide-to-narrow ratio: a verifier grades a
// 2-module stop bar down against the 3-module wide elements.
Result<LinearGeometry> encode_itf_uniform(std::string_view data) { return itf_with_stop_bar(data, wide); }

}  // namespace tavlo
