// The DataBar typed encoders below the package: a figure of each symbol, module for module, the heights of
// their rows and the refusals. The whole families are checked against zint in tests/package/test_databar.py.
#include <string>
#include <vector>

#include "check.hpp"
#include "tavlo/encode_databar.hpp"

namespace {

using namespace tavlo;

std::vector<std::string> rows_of(const DataBarSymbol& symbol) {
    std::vector<std::string> rows;
    for (const DataBarRow& row : symbol.rows) {
        std::string text;
        for (auto module : row.modules) text += char('0' + module);
        rows.push_back(text);
    }
    return rows;
}

std::vector<std::uint32_t> heights_of(const DataBarSymbol& symbol) {
    std::vector<std::uint32_t> heights;
    for (const DataBarRow& row : symbol.rows) heights.push_back(row.height);
    return heights;
}

std::string refusal(const Result<DataBarSymbol>& result) { return result ? "" : result.error().display(); }

void test_stacked_figure() {
    // ISO/IEC 24724:2011, Figure 5: rows of 5 and 7 modules with a separator of 1.
    auto symbol = encode_databar("0001234567890", DataBarVariant::Stacked);
    CHECK(symbol.has_value());
    CHECK(rows_of(*symbol) == (std::vector<std::string>{
                                  "01010100100000000100111111100001011100101101111010",
                                  "00001010101011111010000000111010100011010010000000",
                                  "10111001010110000101111111000111001100111101110101"}));
    CHECK(heights_of(*symbol) == (std::vector<std::uint32_t>{5, 1, 7}));
    CHECK(symbol->human_readable == "(01)00012345678905");
    const MatrixGeometry matrix = databar_matrix(*symbol);
    CHECK(matrix.width == 50 && matrix.height == 13);
    CHECK(matrix.dark(5, 4) && !matrix.dark(4, 4) && matrix.dark(6, 0));
}

void test_stacked_omnidirectional_heights() {
    auto symbol = encode_databar("0003456789012", DataBarVariant::StackedOmnidirectional);
    CHECK(symbol.has_value());
    CHECK(heights_of(*symbol) == (std::vector<std::uint32_t>{33, 1, 1, 1, 33}));
    CHECK(rows_of(*symbol)[2] == "00000101010101010101010101010101010101010101010000");
}

void test_limited_figure() {
    // ISO/IEC 24724:2011, Figure 7: 79 modules, the last five light.
    auto symbol = encode_databar_limited("1501234567890");
    CHECK(symbol.has_value());
    CHECK(rows_of(*symbol) == (std::vector<std::string>{
                                  "0100011001100011011010100111010010101101001101001001011000110111001100110100000"}));
    CHECK(heights_of(*symbol) == (std::vector<std::uint32_t>{10}));
    CHECK(databar_bars(*symbol).total_modules == 79);
}

void test_gtin_forms() {
    auto omni = encode_databar("(01)09501101530003", DataBarVariant::Omnidirectional);
    CHECK(omni.has_value() && omni->human_readable == "(01)09501101530003");
    CHECK(heights_of(*omni) == (std::vector<std::uint32_t>{33}));
    auto truncated = encode_databar("0950110153000", DataBarVariant::Truncated);
    CHECK(truncated.has_value() && rows_of(*truncated) == rows_of(*omni));
    CHECK(heights_of(*truncated) == (std::vector<std::uint32_t>{13}));
}

void test_refusals() {
    CHECK(refusal(encode_databar("09501101530004", DataBarVariant::Omnidirectional)) ==
          "Encoding error: GS1 DataBar: the GTIN's check digit should be 3, got 4");
    CHECK(refusal(encode_databar("123", DataBarVariant::Omnidirectional)) ==
          "Encoding error: GS1 DataBar: a GTIN is 13 digits, or 14 with its check digit, got 3 digits");
    CHECK(refusal(encode_databar("12345678901a", DataBarVariant::Omnidirectional)) ==
          "Invalid character 'a' for GS1 DataBar");
    CHECK(refusal(encode_databar_limited("2012345678903")) ==
          "Encoding error: GS1 DataBar Limited: the GTIN's indicator digit must be 0 or 1, got 2");
}

void test_expanded() {
    auto one_row = encode_databar_expanded("(01)98898765432106(3202)012345(15)991231", {});
    CHECK(one_row.has_value() && one_row->rows.size() == 1 && one_row->rows[0].height == 34);
    CHECK(one_row->human_readable == "(01)98898765432106(3202)012345(15)991231");
    auto stacked = encode_databar_expanded("(01)98898765432106(3202)012345(15)991231", {.segments_per_row = 4});
    CHECK(stacked.has_value());
    CHECK(heights_of(*stacked) == (std::vector<std::uint32_t>{34, 1, 1, 1, 34}));
    CHECK(refusal(encode_databar_expanded("(01)09501101530003", {.segments_per_row = 3})) ==
          "Encoding error: GS1 DataBar Expanded Stacked: segments_per_row must be an even number from 2 to 20, got 3");
    CHECK(refusal(encode_databar_expanded("(01)09501101530004", {})) ==
          "Encoding error: GS1 DataBar Expanded: AI (01) has check digit 4, expected 3");
    CHECK(refusal(encode_databar_expanded("(90)" + std::string(30, 'A') + "(91)" + std::string(40, '1'), {})) ==
          "Encoding error: GS1 DataBar Expanded: the element string is too long, it needs 348 bits of the 252 the "
          "symbol holds");
}

}  // namespace

int main() {
    test_expanded();
    test_stacked_figure();
    test_stacked_omnidirectional_heights();
    test_limited_figure();
    test_gtin_forms();
    test_refusals();
    return tavlo::test::failures();
}
