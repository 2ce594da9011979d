// The package's Data Matrix choices below the Python surface: the codewords before the data (structured append
// with its position and count in one codeword, ECI designators of one, two and three codewords) and the sizes
// each shape allows.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "check.hpp"
#include "encode/datamatrix/datamatrix_encodation.hpp"
#include "encode/datamatrix/datamatrix_lead.hpp"
#include "tavlo/datamatrix.hpp"

using namespace tavlo;

namespace {

std::vector<std::uint8_t> data_codewords(std::span<const std::uint8_t> lead) {
    static constexpr std::uint8_t data[] = {'A'};
    const auto encodation = datamatrix::encode_data_codewords_after(lead, data, datamatrix::symbol_sizes);
    CHECK(encodation.has_value());
    return encodation ? encodation->codewords : std::vector<std::uint8_t>{};
}

bool starts_with(const std::vector<std::uint8_t>& codewords, std::vector<std::uint8_t> prefix) {
    return codewords.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), codewords.begin());
}

std::vector<std::uint8_t> lead_of(std::optional<std::uint32_t> eci, std::optional<DataMatrixStructuredAppend> append) {
    DataMatrixOptions options;
    options.eci = eci;
    options.structured_append = append;
    const auto lead = datamatrix::lead_codewords(options);
    CHECK(lead.has_value());
    return lead ? *lead : std::vector<std::uint8_t>{};
}

void structured_append_and_eci() {
    // Symbol 3 of 5: position from 0 in the high nibble, 17 - 5 in the low; file 600 = 2 * 254 + 92.
    CHECK((lead_of(std::nullopt, DataMatrixStructuredAppend{3, 5, 600}) == std::vector<std::uint8_t>{233, 0x2C, 3, 93}));
    CHECK((lead_of(std::nullopt, DataMatrixStructuredAppend{16, 16, 64515}) == std::vector<std::uint8_t>{233, 0xF1, 254, 254}));
    CHECK((lead_of(26, std::nullopt) == std::vector<std::uint8_t>{241, 27}));
    CHECK((lead_of(126, std::nullopt) == std::vector<std::uint8_t>{241, 127}));
    CHECK((lead_of(127, std::nullopt) == std::vector<std::uint8_t>{241, 128, 1}));
    CHECK((lead_of(16382, std::nullopt) == std::vector<std::uint8_t>{241, 191, 254}));
    CHECK((lead_of(16383, std::nullopt) == std::vector<std::uint8_t>{241, 192, 1, 1}));
    CHECK((lead_of(999999, std::nullopt) == std::vector<std::uint8_t>{241, 207, 63, 129}));
    // Structured append first, then the ECI.
    CHECK((lead_of(3, DataMatrixStructuredAppend{1, 2, 0}) == std::vector<std::uint8_t>{233, 0x0F, 1, 1, 241, 4}));
    DataMatrixOptions bad;
    bad.eci = 1000000;
    CHECK(!datamatrix::lead_codewords(bad));
    bad.eci.reset();
    for (const auto append : {DataMatrixStructuredAppend{0, 2, 0}, DataMatrixStructuredAppend{3, 2, 0},
                              DataMatrixStructuredAppend{1, 1, 0}, DataMatrixStructuredAppend{1, 17, 0},
                              DataMatrixStructuredAppend{1, 2, 64516}}) {
        bad.structured_append = append;
        CHECK(!datamatrix::lead_codewords(bad));
    }
    bad.structured_append.reset();
    bad.gs1 = true;
    bad.eci = 26;
    CHECK(!datamatrix::lead_codewords(bad));
}

void lead_codewords_come_first() {
    static constexpr std::uint8_t lead[] = {241, 27};
    CHECK(starts_with(data_codewords(lead), {241, 27, 'A' + 1}));
    // Macro 05 is compacted only when nothing but FNC1 comes before it.
    const std::string_view macro = "[)>\x1e" "05\x1d" "X\x1e\x04";
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(macro.data()), macro.size());
    CHECK(datamatrix::encode_data_codewords(bytes, false, datamatrix::symbol_sizes)->codewords[0] == 236);
    CHECK(datamatrix::encode_data_codewords_after(lead, bytes, datamatrix::symbol_sizes)->codewords[2] != 236);
}

void sizes_of_each_shape() {
    const std::uint8_t a[] = {'A'};
    DataMatrixOptions options;
    CHECK(encode_datamatrix(a, options)->width == 10);
    options.shape = DataMatrixShape::Rectangular;
    CHECK(encode_datamatrix(a, options)->height == 8 && encode_datamatrix(a, options)->width == 18);
    options.size = DataMatrixSize{8, 48};
    CHECK(!encode_datamatrix(a, options));
    options.dmre = true;
    CHECK(encode_datamatrix(a, options)->width == 48);
    options.shape = DataMatrixShape::Square;
    options.size.reset();
    CHECK(!encode_datamatrix(a, options));
    CHECK(parse_datamatrix_size("32x32")->rows == 32);
    for (const char* bad : {"", "32", "x32", "32x", "32x32x", "-8x18", "32 x 32"}) CHECK(!parse_datamatrix_size(bad));
}

}  // namespace

int main() {
    structured_append_and_eci();
    lead_codewords_come_first();
    sizes_of_each_shape();
    return tavlo::test::failures();
}
