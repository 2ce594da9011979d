// QR Code with options: the reference symbols of the fixed level-M encoder come out of the options encoder
// too (default options without boosting), and the options change what they say they change.
#include <string>
#include <vector>

#include "check.hpp"
#include "tavlo/encode.hpp"
#include "tavlo/encode_qr_family.hpp"
#include "vectors.hpp"

using namespace tavlo;

namespace {

std::string from_hex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

// The "rows" array of a vector line as one string of 0 and 1.
std::string rows_of(const std::string& raw) {
    std::string out;
    for (char c : raw)
        if (c == '0' || c == '1') out += c;
    return out;
}

std::string modules_of(const MatrixGeometry& g) {
    std::string out;
    for (auto m : g.modules) out += char('0' + m);
    return out;
}

// Whether two adjacent bytes fall in the Kanji mode range (Shift JIS 8140-9FFC, E040-EBBF): the reference
// symbols write such pairs in Kanji mode, which readers return as other characters, where this encoder keeps
// the UTF-8 in byte mode. Those lines are left out.
bool has_kanji_range_pair(const std::string& data) {
    for (std::size_t i = 0; i + 1 < data.size(); ++i) {
        const auto a = std::uint8_t(data[i]), b = std::uint8_t(data[i + 1]);
        const bool lead = (a >= 0x81 && a < 0xA0) || (a >= 0xE0 && a < 0xEB);
        const bool trail = b >= 0x40 && b < 0xFD && b != 0x7F;
        if ((lead && trail) || (a == 0xEB && b >= 0x40 && b < 0xC0 && b != 0x7F)) return true;
    }
    return false;
}

void reference_vectors() {
    QrOptions fixed;
    fixed.boost_error = false;
    for (const auto& line : test::read_json_lines("qr.jsonl")) {
        const std::string payload = from_hex(line.at("payload_hex"));
        if (has_kanji_range_pair(payload)) continue;
        const auto plain = encode_qr(payload);
        const auto with_options = encode_qr(payload, fixed);
        if (!line.contains("rows")) {
            CHECK_CASE(!plain && !with_options, line.at("payload_hex").substr(0, 40));
            continue;
        }
        const std::string expected = rows_of(line.at("rows"));
        CHECK_CASE(plain && modules_of(*plain) == expected, line.at("payload_hex").substr(0, 40));
        CHECK_CASE(with_options && modules_of(*with_options) == expected, line.at("payload_hex").substr(0, 40));
    }
}

void options() {
    // 17 digits fit version 1 at level H (17 numeric characters, ISO/IEC 18004 Table 7): boosting keeps
    // version 1 and the symbol differs from level M's.
    const std::string digits(17, '7');
    const auto boosted = encode_qr(digits, QrOptions{});
    QrOptions level_m;
    level_m.boost_error = false;
    const auto plain = encode_qr(digits, level_m);
    CHECK(boosted && plain && boosted->width == 21 && plain->width == 21);
    CHECK(boosted && plain && boosted->modules != plain->modules);

    QrOptions big;
    big.version = 5;
    big.level = QrLevel::H;
    big.mask = 3;
    const auto v5 = encode_qr("HELLO", big);
    CHECK(v5 && v5->width == 37);

    QrOptions small;
    small.version = 1;
    small.level = QrLevel::H;
    const auto refused = encode_qr(std::string(18, '1'), small);
    CHECK(!refused && refused.error().display() == "Encoding error: data too long for version 1 at level H");
}

}  // namespace

int main() {
    reference_vectors();
    options();
    return test::failures();
}
