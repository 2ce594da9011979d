// Code 93 and Codabar against the module patterns of zint's test suite (many of them figures of the
// standards), read at run time from ../shared/reference/zint-vectors/code93_codabar.json, and the refusals.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "check.hpp"
#include "encode/linear/industrial_kinds.hpp"
#include "tavlo/encode_industrial.hpp"
#include "tavlo/kinds.hpp"
#include "vectors.hpp"

using namespace tavlo;

namespace {

struct ZintRow {
    std::string id;
    std::string symbology;
    std::string data;  // the exact bytes
    int option_2 = -1;
    std::string modules;
};

std::string field_text(const std::string& object, const std::string& key) {
    const std::string marker = "\"" + key + "\": ";
    std::size_t at = object.find(marker);
    if (at == std::string::npos) return {};
    at += marker.size();
    if (object[at] == '"') {
        ++at;
        return test::detail::read_string(object, at);
    }
    return object.substr(at, object.find_first_of(",\n", at) - at);
}

std::string from_hex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// The file is a JSON array of flat objects, one field a line; each object starts at its "id".
std::vector<ZintRow> zint_rows() {
    const auto path = test::vectors_dir().parent_path() / "reference" / "zint-vectors" / "code93_codabar.json";
    std::ifstream in(path);
    std::vector<ZintRow> rows;
    if (!in) {
        std::printf("skipped: %s not found\n", path.c_str());
        return rows;
    }
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    for (std::size_t at = text.find("\"id\":"); at != std::string::npos;) {
        const std::size_t next = text.find("\"id\":", at + 1);
        const std::string object = text.substr(at, next == std::string::npos ? std::string::npos : next - at);
        ZintRow row;
        row.id = field_text(object, "id");
        row.symbology = field_text(object, "symbology");
        row.data = from_hex(field_text(object, "data_hex"));
        row.option_2 = std::stoi(field_text(object, "option_2"));
        std::size_t modules_at = object.find('"', object.find("\"modules\": [") + 12) + 1;
        row.modules = test::detail::read_string(object, modules_at);
        rows.push_back(std::move(row));
        at = next;
    }
    return rows;
}

std::string module_text(const LinearGeometry& geometry) {
    std::string text(geometry.total_modules, '0');
    for (const Bar& bar : geometry.bars) text.replace(bar.x, bar.width, bar.width, '1');
    return text;
}

void check_zint_rows() {
    const auto rows = zint_rows();
    if (rows.empty()) return;
    CHECK(rows.size() == 12);
    for (const ZintRow& row : rows) {
        Result<LinearGeometry> geometry = std::unexpected(TavloError::encoding("unknown symbology"));
        if (row.symbology == "BARCODE_CODE93") geometry = encode_code93(row.data);
        // zint's Codabar has a wide element of 2 modules; option_2 1 adds the check character.
        if (row.symbology == "BARCODE_CODABAR")
            geometry = encode_codabar(row.data, {.check_digit = row.option_2 == 1, .wide = 2});
        CHECK_CASE(geometry.has_value(), row.id);
        if (!geometry) continue;
        // zint ends Codabar with the intercharacter gap after the stop character as well, one light module
        // that the symbol itself does not have (it falls in the quiet zone): the bars are the same.
        std::string expected = row.modules;
        if (row.symbology == "BARCODE_CODABAR" && expected.ends_with('0')) expected.pop_back();
        CHECK_CASE(module_text(*geometry) == expected, row.id);
    }
}

void check_refused(const Result<LinearGeometry>& result, const std::string& message) {
    CHECK_CASE(!result.has_value(), message);
    if (!result) CHECK_CASE(result.error().display() == message, result.error().display());
}

void check_code93() {
    check_refused(encode_code93(""), "Encoding error: Barcode data length is invalid");
    check_refused(encode_code93(std::string(257, 'A')), "Encoding error: Barcode data length is invalid");
    check_refused(encode_code93("AB\xc3\xa9"), "Invalid character '\xc3\xa9' for Code 93");
    // 256 characters that each take a shift character still fit: the limit is on the data.
    auto longest = encode_code93(std::string(256, 'a'));
    CHECK(longest && longest->total_modules == (2 * 256 + 4) * 9 + 1);
}

void check_codabar() {
    const CodabarOptions plain{};
    // Start and stop default to A, the ratio to 3:1: 0 is narrow but for its last space and bar.
    auto zero = encode_codabar("0", plain);
    CHECK(zero && module_text(*zero) == "1011100010001" "0" "10101000111" "0" "1011100010001");
    CHECK(codabar_printed("0", plain) == "A0A");
    CHECK(codabar_printed("0", {.start = 'C', .stop = 'D'}) == "C0D");
    CHECK(codabar_printed("B0D", plain) == "B0D");
    // The check character makes the sum of the values a multiple of 16: B(17) + 1 + D(19) + 11 ($) = 48.
    auto checked = encode_codabar("B1D", {.check_digit = true, .wide = 2});
    auto spelled = encode_codabar("B1$D", {.wide = 2});
    CHECK(checked && spelled && module_text(*checked) == module_text(*spelled));

    check_refused(encode_codabar("", plain), "Encoding error: Barcode data length is invalid");
    check_refused(encode_codabar("AB", plain), "Encoding error: Barcode data length is invalid");
    check_refused(encode_codabar(std::string(257, '1'), plain), "Encoding error: Barcode data length is invalid");
    check_refused(encode_codabar("12A4", plain), "Invalid character 'A' for Codabar");
    check_refused(encode_codabar("A12", plain), "Invalid character 'A' for Codabar");
    check_refused(encode_codabar("1\xe2\x82\xac", plain), "Invalid character '\xe2\x82\xac' for Codabar");
    check_refused(encode_codabar("1", {.start = 'E'}), "Encoding error: option 'start' must be A, B, C or D, not 'E'");
    check_refused(encode_codabar("1", {.stop = 'a'}), "Encoding error: option 'stop' must be A, B, C or D, not 'a'");
    check_refused(encode_codabar("1", {.wide = 4}), "Encoding error: option 'ratio' must be 2:1 or 3:1, not '4:1'");
    check_refused(encode_codabar("A1B", {.start = 'A'}),
                  "Encoding error: Codabar data begins and ends with start and stop characters; give them there or "
                  "as the options 'start' and 'stop', not both");
}

std::string printed(const Result<Encoded>& encoded) { return encoded ? encoded->human_readable : "(refused)"; }

std::string refusal(const Result<Encoded>& encoded) { return encoded ? "(encoded)" : encoded.error().display(); }

// The rows of the table of kinds and their adapters, options given as text.
void check_kinds() {
    const KindSpec* code93 = find_kind("code93");
    const KindSpec* codabar = find_kind("codabar");
    CHECK(code93 && code93->encode && code93->family == Family::Industrial && code93->quiet_left == 10);
    CHECK(codabar && codabar->encode && codabar->text == TextStyle::Centred && codabar->quiet_right == 10);
    if (!code93 || !codabar) return;

    CHECK(printed(code93->encode("Code 93\x01", {})) == "Code 93\x01");
    CHECK(refusal(code93->encode("", {})) == "Encoding error: Barcode data length is invalid");

    const KindOption framed[] = {{"start", "C"}, {"stop", "D"}, {"check_digit", "true"}, {"ratio", "2:1"}};
    auto encoded = codabar->encode("1", KindOptions(framed));
    CHECK(printed(encoded) == "C1D");  // the check character is not printed
    auto direct = encode_codabar("1", {.start = 'C', .stop = 'D', .check_digit = true, .wide = 2});
    CHECK(encoded && direct && module_text(std::get<LinearGeometry>(encoded->geometry)) == module_text(*direct));
    CHECK(printed(codabar->encode("B12D", {})) == "B12D");
    const KindOption unchecked[] = {{"check_digit", "false"}, {"ratio", "3"}};
    CHECK(printed(codabar->encode("12", KindOptions(unchecked))) == "A12A");

    const std::pair<KindOption, std::string> refused[] = {
        {{"start", "AB"}, "Encoding error: option 'start' must be A, B, C or D, not 'AB'"},
        {{"stop", ""}, "Encoding error: option 'stop' must be A, B, C or D, not ''"},
        {{"check_digit", "maybe"}, "Encoding error: option 'check_digit' must be true or false, not 'maybe'"},
        {{"ratio", "2.5"}, "Encoding error: option 'ratio' must be 2:1 or 3:1, not '2.5'"},
    };
    for (const auto& [option, message] : refused)
        CHECK_CASE(refusal(codabar->encode("1", {&option, 1})) == message, message);
}

}  // namespace

int main() {
    check_kinds();
    check_zint_rows();
    check_code93();
    check_codabar();
    return test::failures();
}
