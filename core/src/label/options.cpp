// The texts a caller writes for lengths and colours.
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

#include "tavlo/label.hpp"

namespace tavlo::label {
namespace {

constexpr double mm_per_inch = 25.4;

std::string_view trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// Longer names first, so "dots" is not read as "dot" followed by junk.
constexpr std::array<std::pair<std::string_view, Length::Unit>, 5> unit_names = {{
    {"dots", Length::Unit::Dots},
    {"dot", Length::Unit::Dots},
    {"mil", Length::Unit::Mil},
    {"mm", Length::Unit::Mm},
    {"in", Length::Unit::In},
}};

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::expected<Length, std::string> parse_length(std::string_view text) {
    const std::string_view whole = trim(text);
    auto refuse = [&] {
        return std::unexpected("invalid length '" + std::string(text) +
                               "': expected a number with a unit: mm, in, mil or dots (for example '0.33mm')");
    };
    for (const auto& [name, unit] : unit_names) {
        if (!whole.ends_with(name)) continue;
        const std::string_view number = trim(whole.substr(0, whole.size() - name.size()));
        double value = 0;
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (number.empty() || error != std::errc() || end != number.data() + number.size()) return refuse();
        if (!std::isfinite(value) || value < 0) return refuse();
        return Length{value, unit};
    }
    return refuse();
}

std::string magnification_out_of_range(std::string_view shown) {
    return "magnification must be from 0.8 to 2.0 (80% to 200%), not " + std::string(shown);
}

std::expected<double, std::string> parse_magnification(std::string_view text) {
    std::string_view number = trim(text);
    const bool percent = number.ends_with('%');
    if (percent) number = trim(number.substr(0, number.size() - 1));
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (number.empty() || error != std::errc() || end != number.data() + number.size() || !std::isfinite(value)) {
        return std::unexpected("invalid magnification '" + std::string(text) +
                               "': expected a number or a percentage (for example '0.8' or '80%')");
    }
    if (percent) value /= 100;
    if (!(value >= min_magnification && value <= max_magnification)) {
        return std::unexpected(magnification_out_of_range("'" + std::string(text) + "'"));
    }
    return value;
}

std::expected<Colour, std::string> parse_colour(std::string_view text) {
    if (text == "black") return black;
    if (text == "white") return white;
    if (text == "transparent") return Colour{255, 255, 255, 0};
    // "#rgb" and "#rgba" repeat each digit, as in CSS.
    const std::size_t digits = text.size() - 1;
    if (!text.empty() && text[0] == '#' && (digits == 3 || digits == 4 || digits == 6 || digits == 8)) {
        const std::size_t per_channel = digits <= 4 ? 1 : 2;
        std::uint8_t channels[4] = {0, 0, 0, 255};
        bool ok = true;
        for (std::size_t c = 0; c < digits / per_channel; ++c) {
            const int high = hex_digit(text[1 + c * per_channel]);
            const int low = hex_digit(text[1 + c * per_channel + per_channel - 1]);
            ok = ok && high >= 0 && low >= 0;
            if (ok) channels[c] = static_cast<std::uint8_t>(high * 16 + low);
        }
        if (ok) return Colour{channels[0], channels[1], channels[2], channels[3]};
    }
    return std::unexpected("invalid colour '" + std::string(text) +
                           "': expected '#rrggbb', '#rrggbbaa', '#rgb', 'black', 'white' or 'transparent'");
}

}  // namespace tavlo::label

namespace tavlo {

double Length::dots(std::uint32_t dpi) const {
    switch (unit) {
    case Unit::Mm: return value / label::mm_per_inch * dpi;
    case Unit::In: return value * dpi;
    case Unit::Mil: return value / 1000.0 * dpi;
    case Unit::Dots: return value;
    }
    return value;
}

}  // namespace tavlo
