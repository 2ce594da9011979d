// rMQR: the worked example of ISO/IEC 23941 (Annex I, "0123456" as R11x27-H) module for module, the size
// choices (smallest area, fixed height, fixed size), capacities at the extremes, and the refusals.
#include <string>

#include "check.hpp"
#include "tavlo/encode_qr_family.hpp"

using namespace tavlo;

namespace {

std::string modules_of(const MatrixGeometry& g) {
    std::string out;
    for (std::uint32_t r = 0; r < g.height; ++r) {
        for (std::uint32_t c = 0; c < g.width; ++c) out += char('0' + g.modules[r * g.width + c]);
        out += '\n';
    }
    return out;
}

std::string message(std::string_view data, const RmqrOptions& options) {
    const auto r = encode_rmqr(data, options);
    return r ? "R" + std::to_string(r->height) + "x" + std::to_string(r->width) : r.error().display();
}

RmqrOptions options(QrLevel level, std::optional<int> height = {}, std::optional<int> width = {}) {
    RmqrOptions o;
    o.level = level;
    o.height = height;
    o.width = width;
    return o;
}

void standard_example() {
    // ISO/IEC 23941 Figure I.2: 0123456 at R11x27-H.
    const std::string expected =
        "111111101010101010101010111\n"
        "100000100110100001110100101\n"
        "101110100001001111010011111\n"
        "101110101111011011110001100\n"
        "101110100101110111111001011\n"
        "100000101110000100111110010\n"
        "111111101111111110001011111\n"
        "000000001111101011010010001\n"
        "111100000010010100111110101\n"
        "101010100110010100111010001\n"
        "111010101010101010101011111\n";
    const auto symbol = encode_rmqr("0123456", options(QrLevel::H, 11, 27));
    CHECK(symbol && modules_of(*symbol) == expected);
    // The smallest area at level H is the same symbol.
    const auto chosen = encode_rmqr("0123456", options(QrLevel::H));
    CHECK(chosen && modules_of(*chosen) == expected);
}

void sizes() {
    CHECK(message("1", {}) == "R11x27");                      // 297 modules, the smallest
    CHECK(message("1", options(QrLevel::M, 7)) == "R7x43");    // the narrowest of height 7
    CHECK(message("1", options(QrLevel::M, 17, 139)) == "R17x139");
    CHECK(message(std::string(12, '1'), options(QrLevel::M, 7, 43)) == "R7x43");
    CHECK(message(std::string(13, '1'), options(QrLevel::M, 7, 43)) ==
          "Encoding error: data too long for R7x43 at level M");
    CHECK(message(std::string(361, '1'), {}) == "R17x139");
    CHECK(message(std::string(362, '1'), {}) == "Encoding error: data too long for rMQR at level M");
    CHECK(message(std::string(55, '1'), options(QrLevel::H, 7)) ==
          "Encoding error: data too long for rMQR of height 7 at level H");
}

void refusals() {
    CHECK(message("1", options(QrLevel::L)) == "Encoding error: error_correction L is not available in rMQR (M or H)");
    CHECK(message("1", options(QrLevel::Q)) == "Encoding error: error_correction Q is not available in rMQR (M or H)");
    CHECK(message("1", options(QrLevel::M, 8)) == "Encoding error: height must be 7, 9, 11, 13, 15 or 17");
    CHECK(message("1", options(QrLevel::M, 7, 27)) == "Encoding error: R7x27 is not an rMQR size");
}

}  // namespace

int main() {
    standard_example();
    sizes();
    refusals();
    return test::failures();
}
