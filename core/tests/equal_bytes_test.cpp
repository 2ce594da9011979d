// Masks of equal bytes as processors without SSE2 make them: bit for bit the bytes' own comparison, whatever
// the bytes and wherever they differ; and runs of one byte, as long as the bytes say.
#define TAVLO_PORTABLE_BYTES
#include <algorithm>
#include <cstdint>
#include <vector>

#include "check.hpp"
#include "deflate/equal_prefix.hpp"

using namespace tavlo;

int main() {
    std::uint32_t seed = 7;
    const auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 24; };
    std::vector<std::uint8_t> a(64), b(64);
    for (int round = 0; round < 2000; ++round) {
        // Bytes from a small set make equal pairs common; all 256 values appear over the rounds.
        const unsigned spread = round % 2 ? 256 : 3;
        for (std::size_t i = 0; i < a.size(); ++i) {
            a[i] = static_cast<std::uint8_t>(next() % spread * (spread == 3 ? 0x7f : 1));
            b[i] = static_cast<std::uint8_t>(next() % spread * (spread == 3 ? 0x7f : 1));
        }
        std::uint32_t expected16 = 0;
        for (unsigned i = 0; i < 16; ++i) expected16 |= std::uint32_t{a[i] == b[i]} << i;
        CHECK(deflate::equal_bytes16(a.data(), b.data()) == expected16);
        const std::size_t count = round % 65;
        std::uint64_t expected = 0;
        for (std::size_t i = 0; i < count; ++i) expected |= std::uint64_t{a[i] == b[i]} << i;
        CHECK(deflate::equal_bytes(a.data(), b.data(), count) == expected);
        // Long runs too, ending anywhere.
        if (round % 4 == 0) std::fill_n(a.begin(), round % 64, a[0]);
        std::size_t run = 0;
        while (run < count && a[run] == a[0]) ++run;
        CHECK(deflate::equal_run(a.data(), count, a[0]) == run);
    }
    return test::failures();
}
