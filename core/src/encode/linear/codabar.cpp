#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "../../utf8.hpp"
#include "../../assert.hpp"
#include "../shared/kind_options.hpp"
#include "codabar_options.hpp"
#include "tavlo/encode_industrial.hpp"

namespace tavlo {
namespace {

constexpr std::string_view symbology = "Codabar";
constexpr std::size_t max_characters = 256;

// The characters by value (EN 798): the 16 data characters, then the start/stop characters A to D. The check
// character is the value that makes the sum of all values, start and stop included, a multiple of 16.
constexpr std::string_view alphabet = "0123456789-$:/.+ABCD";
constexpr std::size_t data_characters = 16;
constexpr std::size_t check_modulus = 16;

// The wide elements of each character by value: seven elements, bar first, bars and spaces alternating, the
// most significant bit the first element. Two are wide in 0-9 - $, three in : / . + and A to D.
constexpr std::array<std::uint8_t, 20> wide_elements = {
    0b0000011, 0b0000110, 0b0001001, 0b1100000, 0b0010010, 0b1000010, 0b0100001, 0b0100100, 0b0110000, 0b1001000,
    0b0001100, 0b0011000, 0b1000101, 0b1010001, 0b1010100, 0b0010101,  // - $ : / . +
    0b0011010, 0b0101001, 0b0001011, 0b0001110};                       // A B C D
constexpr int elements = 7;

// Each character at a wide element of 3 modules is at most 7 + 3 * 2 modules.
constexpr std::size_t max_character_modules = elements + 3 * 2;

constexpr std::size_t value_of(char c) { return alphabet.find(c); }
constexpr bool is_start_stop(char c) { return codabar_start_stop_characters.find(c) != std::string_view::npos; }

// The data between the start and the stop character.
struct Frame {
    char start;
    std::string_view body;
    char stop;
};

constexpr char default_start_stop = 'A';

// Start and stop come from the data when it begins and ends with one of A to D, else from the options; a
// caller who gives them both ways has made a mistake that guessing would hide.
Result<Frame> frame_of(std::string_view data, const CodabarOptions& options) {
    for (auto [name, c] : {std::pair{"start", options.start}, std::pair{"stop", options.stop}}) {
        if (c == 0) continue;
        auto checked = codabar::start_stop_option(name, std::string_view(&c, 1));
        if (!checked) return std::unexpected(std::move(checked.error()));
    }
    auto wide = codabar::wide_option(std::to_string(options.wide) + ":1");
    if (!wide) return std::unexpected(std::move(wide.error()));
    if (data.size() >= 2 && is_start_stop(data.front()) && is_start_stop(data.back())) {
        if (options.start || options.stop)
            return std::unexpected(TavloError::encoding(
                "Codabar data begins and ends with start and stop characters; give them there or as the options "
                "'start' and 'stop', not both"));
        return Frame{data.front(), data.substr(1, data.size() - 2), data.back()};
    }
    return Frame{options.start ? options.start : default_start_stop, data,
                 options.stop ? options.stop : default_start_stop};
}

ModuleSequence codabar_modules(const Frame& frame, bool check_digit, std::uint32_t wide) {
    std::string characters;
    characters.reserve(frame.body.size() + 3);
    characters += frame.start;
    characters += frame.body;
    if (check_digit) {
        std::size_t sum = value_of(frame.start) + value_of(frame.stop);
        for (char c : frame.body) sum += value_of(c);
        characters += alphabet[(check_modulus - sum % check_modulus) % check_modulus];
    }
    characters += frame.stop;

    ModuleSequence out;
    out.reserve(characters.size() * (max_character_modules + 1));
    for (char c : characters) {
        if (!out.empty()) out.push_back(0);  // the intercharacter gap, one narrow space
        const std::uint8_t wide_bits = wide_elements[value_of(c)];
        for (int element = elements - 1; element >= 0; --element) {
            const std::uint8_t dark = element % 2 == 0;
            out.insert(out.end(), (wide_bits >> element) & 1u ? wide : 1, dark);
        }
    }
    TAVLO_ASSERT(out.front() == 1 && out.back() == 1);
    return out;
}

}  // namespace

namespace codabar {

Result<char> start_stop_option(std::string_view name, std::string_view text) {
    if (text.size() == 1 && is_start_stop(text[0])) return text[0];
    return std::unexpected(kind_options::refused(name, text, "A, B, C or D"));
}

Result<std::uint32_t> wide_option(std::string_view text) {
    if (text == "2" || text == "2:1") return 2;
    if (text == "3" || text == "3:1") return 3;
    return std::unexpected(kind_options::refused("ratio", text, "2:1 or 3:1"));
}

}  // namespace codabar

Result<LinearGeometry> encode_codabar(std::string_view data, const CodabarOptions& options) {
    auto frame = frame_of(data, options);
    if (!frame) return std::unexpected(std::move(frame.error()));
    auto bad = utf8::first_refused(frame->body, [](unsigned char c) { return value_of(c) < data_characters; });
    if (!bad.empty()) return std::unexpected(TavloError::invalid_character(symbology, bad));
    if (frame->body.empty() || frame->body.size() > max_characters)
        return std::unexpected(TavloError::encoding("Barcode data length is invalid"));
    return bars_from_modules(codabar_modules(*frame, options.check_digit, options.wide));
}

std::string codabar_printed(std::string_view data, const CodabarOptions& options) {
    auto frame = frame_of(data, options);
    if (!frame) return {};
    std::string text;
    text.reserve(frame->body.size() + 2);
    text += frame->start;
    text += frame->body;
    text += frame->stop;
    return text;
}

}  // namespace tavlo
