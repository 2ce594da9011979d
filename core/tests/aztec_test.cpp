// Aztec Code below the package: the standard's worked example module for module, the Reed-Solomon of every
// field against its defining property, bit stuffing, and the sizes the encoder picks.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check.hpp"
#include "vectors.hpp"
#include "encode/aztec/aztec_bits.hpp"
#include "encode/aztec/aztec_codewords.hpp"
#include "encode/aztec/aztec_planner.hpp"
#include "encode/shared/galois_reed_solomon.hpp"
#include "tavlo/encode_aztec.hpp"

using namespace tavlo;

namespace {

std::vector<std::uint8_t> bytes_of(std::string_view text) { return {text.begin(), text.end()}; }

AztecOptions with_layers(int layers) {
    AztecOptions options;
    options.layers = layers;
    return options;
}

AztecOptions with_error_correction(int percent) {
    AztecOptions options;
    options.error_correction = percent;
    return options;
}

std::string rows_of(const MatrixGeometry& symbol) {
    std::string out;
    for (std::uint32_t r = 0; r < symbol.height; ++r) {
        for (std::uint32_t c = 0; c < symbol.width; ++c) out += symbol.dark(r, c) ? '1' : '0';
        out += '\n';
    }
    return out;
}

// ISO/IEC 24778 Annex G: "Code 2D!" in a compact symbol of one layer (Figure G.2).
void code_2d_worked_example() {
    const std::string expected =
        "000110001100000\n"
        "000000110000010\n"
        "101100001000101\n"
        "011111111111100\n"
        "111100000001101\n"
        "000101111101100\n"
        "100101000101111\n"
        "001101010101001\n"
        "001101000101010\n"
        "010101111101001\n"
        "100100000001011\n"
        "100111111111101\n"
        "010001100010010\n"
        "011000011011010\n"
        "111001101100000\n";
    const auto data = bytes_of("Code 2D!");
    const auto chosen = encode_aztec(data, {});
    CHECK(chosen && rows_of(*chosen) == expected);
    if (chosen && rows_of(*chosen) != expected) std::printf("%s", rows_of(*chosen).c_str());
    const auto fixed = encode_aztec(data, with_layers(-1));
    CHECK(fixed && rows_of(*fixed) == expected);
}

// The value at alpha^power of the codeword polynomial, highest power first.
unsigned evaluate(const reed_solomon::GaloisField& field, const std::vector<std::uint16_t>& words, unsigned power) {
    unsigned value = 0;
    const unsigned x_log = power % field.order();
    for (const std::uint16_t w : words) value = field.exp(field.log(std::uint16_t(value)) + x_log) ^ w;
    return value;
}

// Every field Aztec uses: a codeword with its check words vanishes at alpha^1 .. alpha^degree.
void galois_codes_vanish_at_their_roots() {
    const unsigned polynomials[] = {0x13, 0x43, 0x12D, 0x409, 0x1069};
    for (const unsigned polynomial : polynomials) {
        const reed_solomon::GaloisField field(polynomial);
        const std::size_t lengths[][2] = {{1, 3}, {5, 7}, {10, 4}, {2, 12}};
        for (const auto& [data_length, degree] : lengths) {
            if (data_length + degree > field.order()) continue;
            std::vector<std::uint16_t> words(data_length + degree);
            std::uint32_t seed = polynomial;
            for (std::size_t k = 0; k < data_length; ++k) {
                seed = seed * 1664525u + 1013904223u;
                words[k] = std::uint16_t((seed >> 16) & field.order());
            }
            reed_solomon::galois_remainder(field, std::span(words).first(data_length), 1,
                                           std::span(words).subspan(data_length));
            for (unsigned root = 1; root <= degree; ++root)
                CHECK_CASE(evaluate(field, words, root) == 0,
                           "field " + std::to_string(polynomial) + " degree " + std::to_string(degree));
        }
    }
}

// ISO/IEC 24778 7.3.1.2: a word of all-equal leading bits gets the opposite last bit; padding is ones.
void bit_stuffing() {
    aztec::BitString bits;
    bits.put(0b000000, 6);  // 00000 then 1 stuffed: the sixth 0 starts the next word
    bits.put(0b11111, 5);   // 0 11111 -> 011111; then padding
    const auto words = aztec::stuffed_codewords(bits, 6);
    CHECK((words == std::vector<std::uint16_t>{0b000001, 0b011111}));
    bits.put(0b1111, 4);  // four ones padded with ones: 11111 stuffed with 0
    CHECK((aztec::stuffed_codewords(bits, 6) == std::vector<std::uint16_t>{0b000001, 0b011111, 0b111110}));
    CHECK((aztec::stuffed_codewords(aztec::BitString{}, 6) == std::vector<std::uint16_t>{0b111110}));
}

// The encodation's length for a few payloads whose cheapest coding is known by hand.
void encodation_lengths() {
    auto length = [](std::string_view text) {
        aztec::BitString bits;
        const auto data = bytes_of(text);
        aztec::append_encodation(data, bits);
        return bits.size();
    };
    CHECK(length("") == 0);
    CHECK(length("A") == 5);
    CHECK(length("a") == 10);         // L/L a
    CHECK(length("123") == 5 + 12);   // D/L and three digits
    CHECK(length(". ") == 10);        // P/S and the pair
    CHECK(length("\x80") == 5 + 5 + 8);
    CHECK(length(std::string(40, '\x80')) == 20 + 8 * 40);   // two short runs
    CHECK(length(std::string(100, '\x80')) == 21 + 8 * 100);  // the long form
    CHECK(length("Code 2D!") == 56);
}

void sizes_and_refusals() {
    CHECK(encode_aztec(bytes_of(""), {})->width == 15);
    // 32 layers hold 1279 data codewords of 12 bits at 23 %: 15348 bits, 1915 bytes after a long Binary Shift.
    const std::vector<std::uint8_t> large(1915, 0x80);
    const auto full = encode_aztec(large, {});
    CHECK(full && full->width == 151);
    const std::vector<std::uint8_t> too_large(1916, 0x80);
    CHECK(!encode_aztec(too_large, {}));
    CHECK(!encode_aztec(bytes_of("A"), with_layers(33)));
    CHECK(!encode_aztec(bytes_of("A"), with_layers(-5)));
    CHECK(!encode_aztec(bytes_of("A"), with_error_correction(4)));
    CHECK(!encode_aztec(std::vector<std::uint8_t>(100, 'A'), with_layers(-1)));
    CHECK(encode_aztec(bytes_of("A"), with_layers(5))->width == 37);
    CHECK(!encode_aztec_rune(256));
    CHECK(!encode_aztec_rune(-1));
    CHECK(encode_aztec_rune(0)->width == 11);
}

}  // namespace

int main() {
    code_2d_worked_example();
    galois_codes_vanish_at_their_roots();
    bit_stuffing();
    encodation_lengths();
    sizes_and_refusals();
    return test::failures();
}
