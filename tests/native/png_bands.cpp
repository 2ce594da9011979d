// Writes one PNG from the band writer to standard output, for the tests of its pixel formats.
// Arguments: format (rgba8, gray1, palette1; with "+smallest" for the thorough search), width, light and dark
// as 8 hex digits RRGGBBAA, dpi or "-", IDAT limit, then one band per argument as "rows" or
// "rows:begin-end,begin-end,...".
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "write/png_writer.hpp"

namespace {

tavlo::png::Rgba colour(const char* hex) {
    const auto value = static_cast<std::uint32_t>(std::strtoul(hex, nullptr, 16));
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

tavlo::png::Band band(const std::string& text) {
    tavlo::png::Band band{static_cast<std::uint32_t>(std::stoul(text)), {}};
    for (std::size_t at = text.find(':'); at != std::string::npos; at = text.find(',', at + 1)) {
        std::size_t dash = text.find('-', at);
        band.dark.push_back({static_cast<std::uint32_t>(std::stoul(text.substr(at + 1))),
                             static_cast<std::uint32_t>(std::stoul(text.substr(dash + 1)))});
    }
    return band;
}

}  // namespace

int main(int argc, char** argv) {
    using tavlo::png::Format;
    if (argc < 7) return 2;
    const std::string pixels = argv[1];
    Format format;
    format.pixels = pixels.starts_with("gray1")      ? Format::Pixels::Gray1
                    : pixels.starts_with("palette1") ? Format::Pixels::Palette1
                                                     : Format::Pixels::Rgba8;
    format.smallest = pixels.ends_with("+smallest");
    format.light = colour(argv[3]);
    format.dark = colour(argv[4]);
    if (std::string(argv[5]) != "-") format.dpi = static_cast<std::uint32_t>(std::stoul(argv[5]));
    std::vector<tavlo::png::Band> bands;
    for (int i = 7; i < argc; ++i) bands.push_back(band(argv[i]));
    const auto png =
        tavlo::png::encode_bands(static_cast<std::uint32_t>(std::stoul(argv[2])), bands, format, std::stoull(argv[6]));
    if (!png) {
        std::fputs(png.error().display().c_str(), stderr);
        return 1;
    }
    return std::fwrite(png->data(), 1, png->size(), stdout) == png->size() ? 0 : 1;
}
