#include <charconv>

#include "tavlo/render.hpp"

namespace tavlo {

namespace {

// Coordinates and the quiet zone add in unsigned 32-bit arithmetic (see with_quiet_zone), so a quiet zone in
// the billions wraps instead of widening the numbers written.
void append_number(std::string& out, std::uint32_t value) {
    char digits[10];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void append_start(std::string& out, std::uint32_t width, std::uint32_t height) {
    out += R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 )";
    append_number(out, width);
    out += ' ';
    append_number(out, height);
    out += R"(">)";
}

}  // namespace

std::string render_linear_svg(const LinearGeometry& geometry, std::uint32_t quiet_zone_modules) {
    const std::uint32_t q = quiet_zone_modules;
    std::string out;
    out.reserve(80 + 48 * geometry.bars.size());
    append_start(out, with_quiet_zone(geometry.total_modules, q), 1);
    for (const Bar& bar : geometry.bars) {
        out += R"(<rect x=")";
        append_number(out, bar.x + q);
        out += R"(" y="0" width=")";
        append_number(out, bar.width);
        out += R"(" height="1"/>)";
    }
    out += "</svg>";
    return out;
}

std::string render_matrix_svg(const MatrixGeometry& geometry, std::uint32_t quiet_zone_modules) {
    const std::uint32_t q = quiet_zone_modules;
    const std::uint32_t width = with_quiet_zone(geometry.width, q);
    const std::uint32_t height = with_quiet_zone(geometry.height, q);
    std::size_t dark = 0;
    for (std::uint8_t module : geometry.modules) dark += module != 0;
    std::string out;
    out.reserve(160 + 52 * dark);
    append_start(out, width, height);
    out += R"(<rect x="0" y="0" width=")";
    append_number(out, width);
    out += R"(" height=")";
    append_number(out, height);
    out += R"(" fill="white"/>)";
    const std::uint8_t* module = geometry.modules.data();
    for (std::uint32_t r = 0; r < geometry.height; ++r) {
        for (std::uint32_t c = 0; c < geometry.width; ++c, ++module) {
            if (!*module) continue;
            out += R"(<rect x=")";
            append_number(out, q + c);
            out += R"(" y=")";
            append_number(out, q + r);
            out += R"(" width="1" height="1"/>)";
        }
    }
    out += "</svg>";
    return out;
}

}  // namespace tavlo
