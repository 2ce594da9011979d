// PDF417 below the Python surface: the planner's codeword counts against what each compaction mode costs,
// Reed-Solomon over GF(929) against the standard's worked check codewords, and the layout of whole symbols.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "check.hpp"
#include "encode/pdf417/pdf417_patterns.hpp"
#include "encode/pdf417/pdf417_plan.hpp"
#include "encode/pdf417/pdf417_reed_solomon.hpp"
#include "tavlo/encode_pdf417.hpp"
#include "vectors.hpp"

using namespace tavlo;
using Bytes = std::vector<std::uint8_t>;
using Codewords = std::vector<std::uint16_t>;

namespace {

Bytes bytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

Codewords compacted(std::string_view text) { return pdf417::compact(bytes(text)); }

void check_count(std::string_view text, std::size_t expected) {
    const Codewords got = compacted(text);
    CHECK_CASE(got.size() == expected, std::string(text) + ": " + std::to_string(got.size()) + " codewords");
}

}  // namespace

int main() {
    // Text: two values a codeword, a lone last value completed.
    check_count("ABCD", 2);
    check_count("ABC", 2);
    check_count("abcd", 3);          // latch to lower, then four values
    check_count("PDF417", 4);        // P D F, latch to mixed, 4 1 7: 7 values
    // The codewords of ISO/IEC 15438's example "PDF417": P D F ml 4 1 7 (pad) as pairs.
    CHECK(compacted("PDF417") == (Codewords{15 * 30 + 3, 5 * 30 + 28, 4 * 30 + 1, 7 * 30 + 29}));
    // Digits: 44 to 15 codewords after the latch; 13 digits in text cost more than 902 and 5 codewords.
    check_count(std::string(44, '7'), 16);
    check_count(std::string(45, '7'), 17);
    check_count("0123456789012", 6);
    // Bytes: six to five codewords after 924; a single byte among text is shifted (913).
    check_count("\x80\x81\x82\x83\x84\x85", 6);
    check_count("\x80\x81\x82\x83\x84\x85\x86", 7);
    check_count("AB\x80" "CD", 4);
    // Numeric groups: "1" and the digits read in base 900. For the standard's example 000213298174000 text
    // for the first digit ties with numeric for all (7 codewords).
    CHECK(compacted("1213298174000") == (Codewords{902, 17, 81, 677, 893, 300}));
    check_count("000213298174000", 7);
    // Long digit runs cross groups of 44 (the planner keeps a run's states as a ring that turns once a digit):
    // 902 and, per group of d digits, d / 3 + 1 codewords, whatever text stands before and after the run, and
    // when a second run starts after a letter. Past 255 characters the planner's memory is allocated.
    const auto numeric_count = [](std::size_t digits) {
        std::size_t count = 1;
        for (std::size_t group = 0; group < digits; group += 44) count += std::min<std::size_t>(44, digits - group) / 3 + 1;
        return count;
    };
    for (std::size_t digits : {14u, 43u, 44u, 45u, 87u, 88u, 89u, 131u, 132u, 133u, 200u, 300u, 301u}) {
        const std::string run(digits, '5');
        check_count(run, numeric_count(digits));
        check_count("AB" + run + "CD", 1 + numeric_count(digits) + 2);  // text around: AB, then 900 and CD
        check_count(run + "A" + run, 2 * numeric_count(digits) + 2);     // 900 and A with its pad
    }
    check_count(std::string(300, 'A'), 150);

    // Bytes in a group of six: the 48-bit number in base 900.
    CHECK(compacted("alcool") == compacted("alcool"));
    {
        const Codewords got = pdf417::compact(Bytes{1, 2, 3, 4, 5, 6});
        std::uint64_t number = 0x010203040506;
        Codewords expected{924, 0, 0, 0, 0, 0};
        for (int k = 5; k > 0; --k) expected[std::size_t(k)] = std::uint16_t(number % 900), number /= 900;
        CHECK(got == expected);
    }

    // Reed-Solomon: the four check codewords (level 1) of ISO/IEC 15438 figure 1, "PDF417 Symbology Standard".
    {
        const Codewords data{16, 453, 178, 121, 236, 858, 834, 361, 431, 426, 746, 828, 570, 393, 17, 119};
        Codewords check(4);
        pdf417::error_correction(data, check);
        CHECK(check == (Codewords{461, 745, 383, 927}));
    }

    // The figure "PDF417 Symbology Standard" at level 1 in 2 columns is 10 rows of 103 modules; each row
    // between the start and stop patterns.
    {
        Pdf417Options options;
        options.error_correction = 1;
        options.columns = 2;
        options.row_height = 1;
        const auto symbol = encode_pdf417(bytes("PDF417 Symbology Standard"), options);
        CHECK(symbol && symbol->width == 103 && symbol->height == 10);
    }
    // MicroPDF417: the smallest size by area; each size's width from its columns (38, 55, 82, 99 modules).
    {
        MicroPdf417Options options;
        options.row_height = 1;
        // 4 codewords: 4 columns by 4 rows (396 modules) is smaller than 1 column by 11 (418).
        const auto four = encode_micro_pdf417(bytes("ABCDEFG"), options);
        CHECK(four && four->width == 99 && four->height == 4);
        options.columns = 1;
        const auto narrow = encode_micro_pdf417(bytes("ABCDEFG"), options);
        CHECK(narrow && narrow->width == 38 && narrow->height == 11);
        options.columns = 3;
        const auto three = encode_micro_pdf417(bytes("ABCDEFG"), options);
        CHECK(three && three->width == 82 && three->height == 6);
        options.columns = 1;
        CHECK(!encode_micro_pdf417(Bytes(64, 0x80), options));
    }
    return test::failures();
}
