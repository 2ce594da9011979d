// EAN-13, UPC-E and the add-ons against figures of the GS1 General Specifications (5.1-1, 5.2.2.4-1,
// 5.2.6.6-4, 5.2.2.5.1-2) and the zero suppression between UPC-A and UPC-E both ways.
#include <cstdio>
#include <string>
#include <string_view>

#include "check.hpp"
#include "encode/linear/retail_kinds.hpp"
#include "tavlo/encode_retail.hpp"

using namespace tavlo;

namespace {

// The geometry as a string of '1' (dark) and '0' (light) modules.
std::string modules_of(const Result<LinearGeometry>& geometry) {
    if (!geometry) return "error: " + geometry.error().display();
    std::string out(geometry->total_modules, '0');
    for (const Bar& bar : geometry->bars) out.replace(bar.x, bar.width, bar.width, '1');
    return out;
}

void gs1_figures() {
    CHECK(modules_of(encode_ean13("4512345678906")) ==
          "10101100010110011001001101111010011101011100101010101000010001001001000111010011100101010000101");
    CHECK(modules_of(encode_ean13("451234567890")) == modules_of(encode_ean13("4512345678906")));
    CHECK(modules_of(encode_upc_e("0012345")) == "101010011100110010011011011110100111010110001010101");
    CHECK(modules_of(encode_upc_e("012345")) == modules_of(encode_upc_e("0012345")));
    CHECK(modules_of(encode_upc_e("00783491")) == "101010011100100010110111010000101000110001011010101");
    CHECK(modules_of(encode_ean_addon("54321")) == "10110111001010100011010100001010010011010011001");
    CHECK(modules_of(encode_ean_addon("21")) == "10110010011010110011");
}

void addon_after_gap() {
    const auto main = encode_ean13("9771384524017");
    const auto addon = encode_ean_addon("12");
    CHECK(main && addon);
    CHECK(modules_of(with_addon(*main, *addon, 7)) ==
          "10101110110010001011001101111010001001010001101010100111011011001011100111001011001101000100101"
          "0000000"
          "10110011001010010011");
    CHECK(with_addon(*main, *addon, 12).total_modules == 95 + 12 + 20);
}

void refusals() {
    CHECK(encode_ean13("4512345678905").error().display() == "Invalid check digit for EAN-13: expected 6");
    CHECK(encode_ean13("45123").error().display() == "Invalid length for EAN-13: expected 12 or 13 digits, got 5");
    CHECK(encode_ean13("45123456789A").error().display() == "Invalid character 'A' for EAN-13");
    CHECK(encode_upc_e("00783492").error().display() == "Invalid check digit for UPC-E: expected 1");
    CHECK(encode_upc_e("1949007").error().display() ==
          "UPC-E 1949007 is not the zero-suppressed form of its UPC-A 194900000076, which is 19490736");
    CHECK(encode_upc_e("2012345").error().display() == "Invalid number system for UPC-E: expected 0 or 1, got 2");
    CHECK(encode_ean_addon("123").error().display() == "Invalid length for add-on: expected 2 or 5 digits, got 3");
}

void zero_suppression() {
    // A number of each of the four forms (the sixth digit 0-2, 3, 4, 5-9) goes to UPC-A and back unchanged.
    for (std::string_view upce : {"00783491", "0012345", "1654321", "0654321", "0123453", "1123454", "0000000"}) {
        auto digits = upc_e_digits(upce);
        CHECK(digits.has_value());
        if (!digits) continue;
        const std::string upca = upc_e_to_upc_a(*digits);
        auto back = upc_a_to_upc_e(upca);
        CHECK(back && *back == *digits);
    }
    CHECK(upc_e_to_upc_a("00783491") == "007834000091");
    CHECK(upc_e_to_upc_a("00123457") == "001234000057");
    CHECK(upc_a_to_upc_e("01234567890").error().display() ==
          "UPC-A 012345678905 cannot be written as UPC-E: UPC-E leaves out zeros it does not have (a manufacturer "
          "number ending in 000, 100 or 200 with an item number up to 999, ending in 00 with an item number up to "
          "99, ending in 0 with an item number up to 9, or an item number from 5 to 9)");
    CHECK(upc_a_to_upc_e("21234000005").error().display() ==
          "UPC-A 212340000057 cannot be written as UPC-E: its number system is 2, and UPC-E carries only 0 and 1");
}

void book_numbers() {
    const auto isbn10 = isbn_to_ean13("0-306-40615-2");
    CHECK(isbn10 && isbn10->ean13 == "9780306406157" && isbn10->headline == "ISBN 978-0-306-40615-7");
    CHECK(isbn_to_ean13("0306406152")->headline == "ISBN 978-0-306-40615-7");
    CHECK(isbn_to_ean13("978-0-306-40615-7")->headline == "ISBN 978-0-306-40615-7");
    CHECK(isbn_to_ean13("0-8044-2957-X")->ean13 == "9780804429573");
    CHECK(isbn_to_ean13("0-306-40615-3").error().display() == "Invalid check digit for ISBN-10: expected 2");
    CHECK(isbn_to_ean13("978-0-306-40615-8").error().display() == "Invalid check digit for ISBN: expected 7");
    CHECK(isbn_to_ean13("123-0-306-40615-8").error().display() == "Invalid prefix for ISBN: expected 978 or 979, got 123");
    const auto issn = issn_to_ean13("0317-8471", "00");
    CHECK(issn && issn->ean13 == "9770317847001" && issn->headline == "ISSN 0317-8471");
    CHECK(issn_to_ean13("03178472", "00").error().display() == "Invalid check digit for ISSN: expected 1");
    CHECK(issn_to_ean13("0317-8471", "5").error().display() == "variant must be two digits, not '5'");
    const auto ismn = ismn_to_ean13("M-2306-7118-7");
    CHECK(ismn && ismn->ean13 == "9790230671187" && ismn->headline == "ISMN 979-0-2306-7118-7");
    CHECK(ismn_to_ean13("979-0-2306-7118-6").error().display() == "Invalid check digit for ISMN: expected 7");
}

// The printed number is hyphenated by the ISBN ranges (ISMN publisher ranges for 979-0), however it was
// written; a number the ranges do not cover keeps the hyphens it was written with.
void hyphenation_by_ranges() {
    struct Case {
        std::string_view written, headline;
    };
    constexpr Case cases[] = {
        {"9780306406157", "ISBN 978-0-306-40615-7"},   {"978-3-16-148410-0", "ISBN 978-3-16-148410-0"},
        {"9781861978769", "ISBN 978-1-86197-876-9"},   {"979 10 90636 07 1", "ISBN 979-10-90636-07-1"},
        {"99921-58-10-7", "ISBN 978-99921-58-10-4"},   {"9784101010014", "ISBN 978-4-10-101001-4"},
        {"9786001191152", "ISBN 978-600-119-115-2"},   {"9798886451238", "ISBN 979-8-88645-123-8"},
        {"9789971502102", "ISBN 978-9971-5-0210-2"},   {"978-0-19852-663-6", "ISBN 978-0-19-852663-6"},
        {"97-80306-406157", "ISBN 978-0-306-40615-7"}, {"978-669-01234-5-8", "ISBN 978-669-01234-5-8"},
        {"9791200123453", "ISBN 9791200123453"},      {"9790230671187", "ISBN 9790230671187"},
    };
    for (const Case& c : cases) {
        const auto number = isbn_to_ean13(c.written);
        if (!number || number->headline != c.headline) std::printf("ISBN '%s':\n", std::string(c.written).c_str());
        CHECK(number && number->headline == c.headline);
    }
    CHECK(ismn_to_ean13("9790060115615")->headline == "ISMN 979-0-060-11561-5");
    CHECK(ismn_to_ean13("M-3452-4680-5")->headline == "ISMN 979-0-3452-4680-5");
}

// The table's entries: options as text, the add-on after its gap, the printed line.
void kind_entries() {
    const KindOption ean_options[] = {{"addon", "12"}, {"addon_gap", "7"}, {"light_margin", "true"}};
    const auto ean = encode_ean13_kind("977138452401", ean_options);
    CHECK(ean && ean->human_readable == "977138452401712>" && ean->addon_modules == 7 + 20);
    CHECK(ean && std::get<LinearGeometry>(ean->geometry).total_modules == 95 + 7 + 20);
    const KindOption wide_gap[] = {{"addon_gap", "13"}};
    CHECK(encode_ean13_kind("977138452401", wide_gap).error().display() ==
          "Encoding error: option 'addon_gap' must be a whole number from 7 to 12, not '13'");
    const KindOption three[] = {{"addon", "123"}};
    CHECK(encode_ean13_kind("977138452401", three).error().display() ==
          "Invalid length for add-on: expected 2 or 5 digits, got 3");
    const KindOption from_upca[] = {{"from_upca", "true"}};
    const auto upce = encode_upc_e_kind("00783400009", from_upca);
    CHECK(upce && upce->human_readable == "00783491" && upce->addon_modules == 0);
    const auto isbn = encode_isbn_kind("0-306-40615-2", {});
    CHECK(isbn && isbn->human_readable == "ISBN 978-0-306-40615-7\n9780306406157");
}

}  // namespace

int main() {
    kind_entries();
    book_numbers();
    hyphenation_by_ranges();
    gs1_figures();
    addon_after_gap();
    refusals();
    zero_suppression();
    return test::failures();
}
