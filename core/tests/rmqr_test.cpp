// rMQR: the worked example of ISO/IEC 23941 (Annex I, "0123456" as R11x27-H) module for module, the size
// choices (smallest area, fixed height, fixed size), capacities at the extremes, and the refusals.
#include <random>
#include <string>
#include <vector>

#include "check.hpp"
#include "encode/qr/qr_segments.hpp"
#include "encode/qr/rmqr_tables.hpp"
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

// Seeded payloads of digits, alphanumerics, bytes and mixes of them, up to R17x139's capacity and past it.
std::string payload(std::mt19937& rng) {
    static const std::string alphabets[] = {"0123456789", "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:",
                                            "abcdefghijklmnopqrstuvwxyz0123456789.:/-_?=&", "0123456789AB\xc3\xa9\x01~"};
    const std::size_t length = rng() % 5 == 0 ? rng() % 400 : rng() % 60;
    std::string out;
    while (out.size() < length) {
        const std::string& alphabet = alphabets[rng() % 4];
        for (std::size_t run = 1 + rng() % 12; run > 0 && out.size() < length; --run) out += alphabet[rng() % alphabet.size()];
    }
    return out;
}

void smallest_of_the_sizes_that_hold_it() {
    // Every size weighed by its own plan: the default is the least area whose plan fits, and of equal areas
    // the one with more data codewords. The lower bound by which sizes are passed over unplanned never
    // exceeds a plan's bits.
    std::mt19937 rng(23941);
    std::vector<std::string> payloads;
    for (int n = 0; n < 400; ++n) payloads.push_back(payload(rng));
    // Digits of every length fill each size to within a few bits.
    for (std::size_t length = 1; length <= 362; ++length) payloads.push_back(std::string(length, char('0' + length % 10)));
    const auto sizes = rmqr::sizes();
    for (const std::string& data : payloads) {
        for (const bool high : {false, true}) {
            std::string expected = "none";
            unsigned least_area = ~0u, most_data = 0;
            for (const rmqr::Size& size : sizes) {
                const qr::Dialect dialect{3, {0b001, 0b010, 0b011}, size.count_bits, 3};
                const auto plan = qr::shortest(data, dialect);
                if (!plan) continue;
                const std::uint32_t bits = qr::stream_bits(*plan, dialect);
                CHECK(qr::fewest_data_bits(data) + (data.empty() ? 0 : qr::least_header_bits(dialect)) <= bits);
                const unsigned area = unsigned(size.height) * size.width;
                if (data.size() > 361 || bits > size.data[high] * 8u) continue;
                if (area < least_area || (area == least_area && size.data[high] > most_data)) {
                    least_area = area, most_data = size.data[high];
                    expected = "R" + std::to_string(size.height) + "x" + std::to_string(size.width);
                }
            }
            const std::string chosen = message(data, options(high ? QrLevel::H : QrLevel::M));
            CHECK(chosen == expected || (expected == "none" && chosen.starts_with("Encoding error: data too long")));
        }
    }
}

}  // namespace

int main() {
    standard_example();
    sizes();
    refusals();
    smallest_of_the_sizes_that_hold_it();
    return test::failures();
}
