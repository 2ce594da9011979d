// The one failure type of the core and the result type every fallible call returns.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

namespace tavlo {

class TavloError {
public:
    enum class Kind {
        InvalidCharacter,  // symbology, character
        InvalidLength,     // symbology, expected, got
        InvalidChecksum,   // symbology
        InvalidUnit,       // text
        DpiRequired,
        DpiNotAllowed,
        Encoding,    // message
        Render,      // message
        InvalidGs1,  // message
        InvalidCheckDigit,  // symbology, the expected digit
        InvalidData,        // message, shown as it is
        Gs1Syntax,   // message: a rule of the GS1 Barcode Syntax Dictionary, naming the AI
        InvalidOption,  // message: a kind's option given a value it does not take
    };

    // `character` is the offending character in UTF-8 (one code point).
    static TavloError invalid_character(std::string_view symbology, std::string_view character);
    static TavloError invalid_length(std::string_view symbology, std::uint64_t expected, std::uint64_t got);
    static TavloError invalid_checksum(std::string_view symbology);
    static TavloError invalid_unit(std::string_view text);
    static TavloError dpi_required();
    static TavloError dpi_not_allowed();
    static TavloError encoding(std::string_view message);
    static TavloError render(std::string_view message);
    static TavloError invalid_gs1(std::string_view message);
    // A given check digit that is not the one the data asks for; `expected` is that digit ('0'-'9', 'X').
    static TavloError invalid_check_digit(std::string_view symbology, char expected);
    // A refusal whose whole sentence the caller reads as it is.
    static TavloError invalid_data(std::string_view message);
    // Shown as it is: "AI (17): month 13 is not a valid month" says what and where by itself.
    static TavloError gs1_syntax(std::string_view message);
    // A kind's option with a value it does not take; shown as an encoding error, raised as a value error.
    static TavloError invalid_option(std::string_view message);

    Kind kind() const { return kind_; }

    // The display text: exactly what the Python caller sees as the exception message.
    std::string display() const;

private:
    TavloError(Kind kind, std::string_view label, std::string_view text, std::uint64_t expected = 0,
               std::uint64_t got = 0);

    Kind kind_;
    std::string label_;  // the symbology of the linear-encoder variants
    std::string text_;   // character, unit text or message, by variant
    std::uint64_t expected_;
    std::uint64_t got_;
};

template <class T>
using Result = std::expected<T, TavloError>;

}  // namespace tavlo
