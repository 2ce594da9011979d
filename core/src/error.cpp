#include "tavlo/error.hpp"

namespace tavlo {

TavloError::TavloError(Kind kind, std::string_view label, std::string_view text, std::uint64_t expected,
                       std::uint64_t got)
    : kind_(kind), label_(label), text_(text), expected_(expected), got_(got) {}

TavloError TavloError::invalid_character(std::string_view symbology, std::string_view character) {
    return {Kind::InvalidCharacter, symbology, character};
}
TavloError TavloError::invalid_length(std::string_view symbology, std::uint64_t expected, std::uint64_t got) {
    return {Kind::InvalidLength, symbology, {}, expected, got};
}
TavloError TavloError::invalid_checksum(std::string_view symbology) { return {Kind::InvalidChecksum, symbology, {}}; }
TavloError TavloError::invalid_unit(std::string_view text) { return {Kind::InvalidUnit, {}, text}; }
TavloError TavloError::dpi_required() { return {Kind::DpiRequired, {}, {}}; }
TavloError TavloError::dpi_not_allowed() { return {Kind::DpiNotAllowed, {}, {}}; }
TavloError TavloError::encoding(std::string_view message) { return {Kind::Encoding, {}, message}; }
TavloError TavloError::render(std::string_view message) { return {Kind::Render, {}, message}; }
TavloError TavloError::invalid_gs1(std::string_view message) { return {Kind::InvalidGs1, {}, message}; }
TavloError TavloError::invalid_check_digit(std::string_view symbology, char expected) {
    return {Kind::InvalidCheckDigit, symbology, std::string_view(&expected, 1)};
}
TavloError TavloError::invalid_data(std::string_view message) { return {Kind::InvalidData, {}, message}; }
TavloError TavloError::gs1_syntax(std::string_view message) { return {Kind::Gs1Syntax, {}, message}; }
TavloError TavloError::invalid_option(std::string_view message) { return {Kind::InvalidOption, {}, message}; }

namespace {

// Plain appends: the literal pieces and the payloads, nothing quoted or escaped.
template <class... Pieces>
std::string concat(const Pieces&... pieces) {
    std::string text;
    text.reserve((std::string_view(pieces).size() + ...));
    (text.append(pieces), ...);
    return text;
}

}  // namespace

std::string TavloError::display() const {
    switch (kind_) {
    case Kind::InvalidCharacter: return concat("Invalid character '", text_, "' for ", label_);
    case Kind::InvalidLength:
        return concat("Invalid length for ", label_, ": expected ", std::to_string(expected_), ", got ",
                      std::to_string(got_));
    case Kind::InvalidChecksum: return concat("Invalid checksum for ", label_);
    case Kind::InvalidUnit: return concat("Invalid unit '", text_, "': expected 'in', 'mm', or 'px'");
    case Kind::DpiRequired: return "dpi is required when unit is 'in' or 'mm'";
    case Kind::DpiNotAllowed: return "dpi must not be specified when unit is 'px'";
    case Kind::Encoding:
    case Kind::InvalidOption: return concat("Encoding error: ", text_);
    case Kind::Render: return concat("Rendering error: ", text_);
    case Kind::InvalidGs1: return concat("Invalid GS1-128 value: ", text_);
    case Kind::InvalidCheckDigit: return concat("Invalid check digit for ", label_, ": expected ", text_);
    case Kind::InvalidData: return text_;
    case Kind::Gs1Syntax: return text_;
    }
    return {};
}

}  // namespace tavlo
