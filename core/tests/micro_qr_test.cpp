// Micro QR: the worked example of ISO/IEC 18004 (Annex I, "01234567" as M2-L under mask 01) module for
// module, the capacity of every symbol, and the refusals.
#include <random>
#include <string>
#include <vector>

#include "check.hpp"
#include "encode/qr/qr_segments.hpp"
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

void standard_example() {
    // ISO/IEC 18004 Figure 2 and Annex I.3: 01234567 at M2-L, mask 01.
    const std::string expected =
        "1111111010101\n"
        "1000001011101\n"
        "1011101001101\n"
        "1011101001111\n"
        "1011101011100\n"
        "1000001010001\n"
        "1111111001111\n"
        "0000000001100\n"
        "1101000010001\n"
        "0110101010101\n"
        "1110011111110\n"
        "0001010000110\n"
        "1110100110111\n";
    const auto symbol = encode_micro_qr("01234567", MicroQrOptions{});
    CHECK(symbol && modules_of(*symbol) == expected);
    MicroQrOptions fixed;
    fixed.version = 2;
    fixed.mask = 1;
    const auto forced = encode_micro_qr("01234567", fixed);
    CHECK(forced && modules_of(*forced) == expected);
}

struct Capacity {
    MicroQrOptions options;
    char fill;
    std::size_t most;  // characters of `fill` that fit
    std::uint32_t size;
};

void capacities() {
    // ISO/IEC 18004 Table 7 for Micro QR.
    const std::vector<Capacity> table = {
        {{1, QrLevel::L, {}}, '1', 5, 11},  {{2, QrLevel::L, {}}, '1', 10, 13}, {{2, QrLevel::M, {}}, '1', 8, 13},
        {{3, QrLevel::L, {}}, '1', 23, 15}, {{3, QrLevel::M, {}}, '1', 18, 15}, {{4, QrLevel::L, {}}, '1', 35, 17},
        {{4, QrLevel::M, {}}, '1', 30, 17}, {{4, QrLevel::Q, {}}, '1', 21, 17}, {{2, QrLevel::L, {}}, 'A', 6, 13},
        {{3, QrLevel::L, {}}, 'A', 14, 15}, {{4, QrLevel::L, {}}, 'A', 21, 17}, {{4, QrLevel::Q, {}}, 'A', 13, 17},
        {{3, QrLevel::L, {}}, 'a', 9, 15},  {{3, QrLevel::M, {}}, 'a', 7, 15},  {{4, QrLevel::L, {}}, 'a', 15, 17},
        {{4, QrLevel::M, {}}, 'a', 13, 17}, {{4, QrLevel::Q, {}}, 'a', 9, 17},
    };
    for (const auto& c : table) {
        const auto fits = encode_micro_qr(std::string(c.most, c.fill), c.options);
        const auto over = encode_micro_qr(std::string(c.most + 1, c.fill), c.options);
        CHECK(fits && fits->width == c.size && fits->height == c.size);
        CHECK(!over);
    }
}

void refusals() {
    const auto message = [](std::string_view data, MicroQrOptions o) {
        const auto r = encode_micro_qr(data, o);
        return r ? std::string("encoded") : r.error().display();
    };
    CHECK(message("1", {1, QrLevel::M, {}}) == "Encoding error: error_correction M is not available in M1");
    CHECK(message("1", {3, QrLevel::Q, {}}) == "Encoding error: error_correction Q is not available in M3");
    CHECK(message("1", {{}, QrLevel::H, {}}) == "Encoding error: error_correction H is not available in Micro QR");
    CHECK(message("A", {1, QrLevel::L, {}}) == "Encoding error: M1 holds digits only");
    CHECK(message("a", {2, QrLevel::L, {}}) ==
          "Encoding error: M2 holds digits and upper-case alphanumerics only");
    CHECK(message(std::string(36, '1'), {}) == "Encoding error: data too long for Micro QR at level L");
    CHECK(message(std::string(11, '1'), {2, QrLevel::L, {}}) == "Encoding error: data too long for M2-L");
    CHECK(message("1", {5, QrLevel::L, {}}) == "Encoding error: version must be M1 to M4 (1 to 4)");
    CHECK(message("1", {{}, QrLevel::L, 4}) == "Encoding error: mask must be in 0 to 3 for Micro QR");
}

void shortest_plan() {
    // M2: alphanumerics and digits; one alphanumeric segment of 6 is 1 + 3 + 33 = 37 bits, numeric then
    // alphanumeric longer; the plan takes the single segment.
    const qr::Dialect m2{1, {0, 1, 0}, {4, 3, 0}, 5};
    const auto plan = qr::shortest("1ABCDE", m2);
    CHECK(plan && plan->size() == 1 && qr::stream_bits(*plan, m2) == 37);
    // QR Code: 13 digits inside letters are worth their own numeric segment.
    const qr::Dialect v1 = qr::qr_dialect(1);
    const auto mixed = qr::shortest("abc1234567890123def", v1);
    CHECK(mixed && mixed->size() == 3 && (*mixed)[1].mode == qr::Mode::Numeric);
}

void smallest_version_that_holds_it() {
    // Each version tried alone: the default is the first that holds the data at the level, module for module.
    const std::string alphabets[] = {"0123456789", "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:", "abc\x01~"};
    std::mt19937 rng(18004);
    for (int n = 0; n < 2000; ++n) {
        std::string data;
        for (std::size_t length = rng() % 40; data.size() < length;) {
            const std::string& alphabet = alphabets[rng() % 3];
            for (std::size_t run = 1 + rng() % 10; run > 0 && data.size() < length; --run)
                data += alphabet[rng() % alphabet.size()];
        }
        for (const QrLevel level : {QrLevel::L, QrLevel::M, QrLevel::Q}) {
            std::optional<MatrixGeometry> expected;
            for (int version = 1; version <= 4 && !expected; ++version) {
                MicroQrOptions fixed;
                fixed.version = version;
                fixed.level = level;
                if (auto symbol = encode_micro_qr(data, fixed)) expected = std::move(*symbol);
            }
            MicroQrOptions chosen;
            chosen.level = level;
            const auto symbol = encode_micro_qr(data, chosen);
            CHECK(bool(symbol) == bool(expected));
            if (symbol && expected) CHECK(symbol->width == expected->width && symbol->modules == expected->modules);
        }
    }
}

}  // namespace

int main() {
    standard_example();
    capacities();
    refusals();
    shortest_plan();
    smallest_version_that_holds_it();
    return test::failures();
}
