// A label's colour in the device colour space a vector file states it in, converted as PDF converts among
// device spaces (ISO 32000-1, 10.3.2 to 10.3.5): grey = 0.3 r + 0.59 g + 0.11 b; CMYK from 1 - RGB with all the
// grey component taken out into black (undercolour removal and black generation both the identity), so black
// is 0 0 0 1, the black ink alone, and white 0 0 0 0.
#pragma once

#include <algorithm>
#include <array>
#include <string>

#include "decimal.hpp"

#include "tavlo/label.hpp"

namespace tavlo::label {

struct DeviceColour {
    int count;          // 1, 3 or 4 components, each from 0 to 1
    double values[4];
};

inline double grey_of(Colour colour) { return (0.3 * colour.r + 0.59 * colour.g + 0.11 * colour.b) / 255; }

inline DeviceColour device_colour(Colour colour, ColourSpace space) {
    const double r = colour.r / 255.0, g = colour.g / 255.0, b = colour.b / 255.0;
    switch (space) {
        case ColourSpace::Gray: return {1, {grey_of(colour)}};
        case ColourSpace::Cmyk: {
            const double k = std::min({1 - r, 1 - g, 1 - b});
            return {4, {1 - r - k, 1 - g - k, 1 - b - k, k}};
        }
        case ColourSpace::Rgb: break;
    }
    return {3, {r, g, b}};
}

// The colour's components, each with four decimals and a space after it, then the operator that sets it:
// `operators` for grey, RGB and CMYK in that order.
inline void append_device_colour(std::string& out, Colour colour, ColourSpace space,
                                 const std::array<const char*, 3>& operators) {
    const DeviceColour device = device_colour(colour, space);
    for (int i = 0; i < device.count; ++i) {
        append_decimal(out, device.values[i], 4);
        out += ' ';
    }
    out += operators[device.count == 1 ? 0 : device.count == 3 ? 1 : 2];
}

// The sRGB colour SVG writes for a colour space it has no device form of: grey for Gray, the colour itself
// otherwise.
inline Colour svg_colour(Colour colour, ColourSpace space) {
    if (space != ColourSpace::Gray) return colour;
    const auto v = static_cast<std::uint8_t>(std::clamp(grey_of(colour) * 255 + 0.5, 0.0, 255.0));
    return {v, v, v, colour.a};
}

}  // namespace tavlo::label
