// The retail human-readable layouts: where EAN-13's and UPC-E's digits stand, which bars reach into the text
// band, and an add-on's digits above its lowered bars.
#include <string>

#include "check.hpp"
#include "tavlo/encode_retail.hpp"
#include "text/linear_text.hpp"

using namespace tavlo;
using namespace tavlo::text;

namespace {

constexpr std::uint32_t x = 4;         // dots a module
constexpr double origin = 44;          // 11 modules of quiet zone
constexpr std::uint32_t bars_top = 0;
constexpr std::uint32_t band_top = 400;

void ean13() {
    const auto geometry = encode_ean13("4512345678906");
    const LinearText placed = place_text(LinearStyle::Ean13, *geometry, "4512345678906>", x, origin, band_top);
    CHECK(placed.items.size() == 14);
    // The first digit right of the left quiet zone's start, ending a module before the bars.
    CHECK(placed.items[0].text == "4" && placed.items[0].align == Align::Right && placed.items[0].x == origin - x);
    // Two groups of six centred under their symbol characters, either side of the centre guard.
    CHECK(placed.items[1].x == origin + 6.5 * x && placed.items[6].x == origin + 41.5 * x);
    CHECK(placed.items[7].x == origin + 53.5 * x && placed.items[12].x == origin + 88.5 * x);
    CHECK(placed.items[1].size == placed.items[0].size);
    // The light margin indicator ends where the 7-module right quiet zone does.
    CHECK(placed.items[13].text == ">" && placed.items[13].x == origin + 102 * x);
    // Left, centre and right guards: 2 + 2 + 2 bars.
    CHECK(placed.extended_bars.size() == 6 && placed.lowered_bars.empty());
    CHECK(placed.bar_extension == 5 * x);
}

void upc_e() {
    const auto geometry = encode_upc_e("00783491");
    const LinearText placed = place_text(LinearStyle::UpcE, *geometry, "00783491", x, origin, band_top);
    CHECK(placed.items.size() == 8);
    CHECK(placed.items[0].align == Align::Right && placed.items[0].size < placed.items[1].size);
    CHECK(placed.items[7].text == "1" && placed.items[7].align == Align::Left && placed.items[7].x == origin + 52 * x);
    // The six digits under the six symbol characters; the end guard 010101 has three bars.
    CHECK(placed.items[1].x == origin + 6.5 * x && placed.items[6].x == origin + 41.5 * x);
    CHECK(placed.extended_bars.size() == 2 + 3);
}

void addon() {
    const auto main = encode_ean13("9780877799306");
    const auto five = encode_ean_addon("54321");
    const LinearGeometry geometry = with_addon(*main, *five, 9);
    const LinearText placed =
        place_text(LinearStyle::Ean13, geometry, "978087779930654321", x, origin, band_top, bars_top, 9 + 47);
    CHECK(placed.items.size() == 18);
    // Each add-on digit over its own symbol character: guard 4, then a digit every 9 modules.
    CHECK(placed.items[13].x == origin + (104 + 4 + 3.5) * x && placed.items[17].x == origin + (104 + 40 + 3.5) * x);
    CHECK(placed.items[13].baseline < placed.items[1].baseline && placed.items[13].baseline > bars_top);
    CHECK(placed.lowered_bars.size() == five->bars.size());
    CHECK(placed.bar_lowering > placed.items[13].baseline - bars_top);
    CHECK(placed.extended_bars.size() == 6 + five->bars.size());
}

}  // namespace

int main() {
    ean13();
    upc_e();
    addon();
    return test::failures();
}
