// A Code 128 symbol too wide for the 32-bit module positions of a geometry is refused, not wrapped. Inputs
// that large take gigabytes, so the count check is tested directly, and tied to real symbols by their widths.
#include <cstdint>
#include <vector>

#include "check.hpp"
#include "encode/code128/code128_table.hpp"
#include "tavlo/encode.hpp"

using namespace tavlo;

int main() {
    // 11 modules for the start, each character and the check value, 13 for the stop.
    CHECK(code128::module_count(0) == 11u + 11 + 13);
    CHECK(code128::module_count(390'451'569) == 4'294'967'294u);

    const std::uint64_t too_many[] = {390'451'570, 390'451'571, std::uint64_t{1} << 32, UINT64_MAX};
    for (std::uint64_t characters : too_many) {
        auto refused = code128::module_count(characters);
        CHECK(!refused);
        if (!refused)
            CHECK(refused.error().display() ==
                  "Encoding error: Code 128 symbol would be wider than 4294967295 modules");
    }

    // Set B "ABC" is three characters, set C "123456" three digit pairs, and "a\x01" needs a change of set.
    const std::vector<std::pair<std::vector<Code128Symbol>, std::uint64_t>> symbols = {
        {{{Code128Symbol::Kind::Data, "ABC"}}, 3},
        {{{Code128Symbol::Kind::Data, "123456"}}, 3},
        {{{Code128Symbol::Kind::Data, "a\x01"}}, 3},
        {{}, 0},
    };
    for (const auto& [elements, characters] : symbols) {
        auto geometry = encode_code128(elements);
        CHECK(geometry && geometry->total_modules == *code128::module_count(characters));
    }
    return test::failures();
}
