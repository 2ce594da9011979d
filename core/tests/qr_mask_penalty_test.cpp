// The bit-parallel penalty score of the QR mask choice against a plain scorer that walks the symbol one
// module at a time, on real symbols, on patterns made to trip each rule and on random matrices of every size.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "check.hpp"
#include "encode/qr/qr_mask.hpp"
#include "tavlo/encode.hpp"
#include "vectors.hpp"

using namespace tavlo;

namespace {

using Grid = std::vector<std::uint8_t>;

// The four rules of ISO/IEC 18004 7.8.3 as this encoder applies them, read straight from their wording.
struct PlainScorer {
    unsigned n;
    const Grid& grid;

    // Along row `line` (across) or column `line` (down); outside the symbol every module is light.
    bool dark(unsigned line, int at, bool across) const {
        if (at < 0 || at >= int(n)) return false;
        return across ? grid[line * n + unsigned(at)] : grid[unsigned(at) * n + line];
    }

    // N1: each run of five or more modules of one colour scores its length less two.
    std::uint32_t runs(unsigned line, bool across) const {
        std::uint32_t score = 0;
        unsigned length = 1;
        for (unsigned i = 1; i <= n; ++i) {
            if (i < n && dark(line, int(i), across) == dark(line, int(i - 1), across)) {
                ++length;
                continue;
            }
            if (length >= 5) score += length - 2;
            length = 1;
        }
        return score;
    }

    // N3: dark, light, dark x 3, light, dark with four light modules before it or after it scores 40.
    std::uint32_t finders(unsigned line, bool across) const {
        static constexpr bool pattern[7] = {true, false, true, true, true, false, true};
        std::uint32_t score = 0;
        for (int p = 0; p + 7 <= int(n); ++p) {
            bool match = true;
            for (int k = 0; k < 7; ++k) match = match && dark(line, p + k, across) == pattern[k];
            if (!match) continue;
            bool before = true, after = true;
            for (int k = 1; k <= 4; ++k) {
                before = before && !dark(line, p - k, across);
                after = after && !dark(line, p + 6 + k, across);
            }
            if (before || after) score += 40;
        }
        return score;
    }

    std::uint32_t total() const {
        std::uint32_t score = 0;
        for (unsigned line = 0; line < n; ++line)
            score += runs(line, true) + runs(line, false) + finders(line, true) + finders(line, false);
        // N2: each 2 x 2 block of one colour, overlapping ones included, scores 3.
        for (unsigned r = 0; r + 1 < n; ++r)
            for (unsigned c = 0; c + 1 < n; ++c) {
                const auto v = grid[r * n + c];
                if (grid[r * n + c + 1] == v && grid[(r + 1) * n + c] == v && grid[(r + 1) * n + c + 1] == v)
                    score += 3;
            }
        // N4: the dark share's distance from one half, in whole half-percent steps, rounded down.
        std::uint32_t dark_count = 0;
        for (auto m : grid) dark_count += m;
        const auto share = std::int32_t(200 * dark_count / (n * n));
        return score + std::uint32_t(std::abs(share - 100));
    }
};

void compare(unsigned n, const Grid& grid, const std::string& what) {
    const std::uint32_t plain = PlainScorer{n, grid}.total();
    const std::uint16_t fast = qr::penalty_score(n, grid);
    CHECK_CASE(fast == std::uint16_t(plain),
               what + ": plain " + std::to_string(plain) + ", bit-parallel " + std::to_string(fast));
}

Grid random_grid(unsigned n, std::uint32_t seed, unsigned dark_in_16) {
    Grid grid(std::size_t(n) * n);
    for (auto& m : grid) {
        seed = seed * 1664525u + 1013904223u;
        m = (seed >> 24) % 16 < dark_in_16;
    }
    return grid;
}

void real_symbols() {
    const char* payloads[] = {"", "01234567", "HELLO WORLD", "https://example.com/a/b?c=d",
                              "A somewhat longer text that moves the symbol past the first word of a line"};
    for (const char* payload : payloads) {
        const auto symbol = encode_qr(payload);
        CHECK(symbol.has_value());
        if (symbol) compare(symbol->width, symbol->modules, std::string("QR of \"") + payload + "\"");
    }
    for (unsigned digits : {300u, 1200u, 4000u, 5596u}) {
        const auto symbol = encode_qr(std::string(digits, '7'));
        if (symbol) compare(symbol->width, symbol->modules, std::to_string(digits) + " digits");
    }
}

// Finder-like patterns against either edge and in the middle, light margins of three and four modules,
// long runs, checkerboards: each rule in isolation.
void made_patterns() {
    for (unsigned n : {21u, 57u, 121u, 177u}) {
        const std::string size = std::to_string(n) + "x" + std::to_string(n);
        Grid light(std::size_t(n) * n, 0), dark(std::size_t(n) * n, 1), checker(std::size_t(n) * n);
        for (unsigned i = 0; i < n * n; ++i) checker[i] = (i / n + i % n) % 2;
        compare(n, light, "all light " + size);
        compare(n, dark, "all dark " + size);
        compare(n, checker, "checkerboard " + size);
        for (int offset : {0, 3, 4, 5, int(n) - 7, int(n) - 11, int(n) / 2}) {
            Grid g = checker;
            const unsigned row = n / 3;
            for (unsigned c = 0; c < n; ++c) g[row * n + c] = 0;
            for (int k = 0; k < 7; ++k) g[row * n + unsigned(offset + k)] = k != 1 && k != 5;
            compare(n, g, "finder at column " + std::to_string(offset) + " of " + size);
            Grid t(g.size());
            for (unsigned r = 0; r < n; ++r)
                for (unsigned c = 0; c < n; ++c) t[c * n + r] = g[r * n + c];
            compare(n, t, "finder at row " + std::to_string(offset) + " of " + size);
        }
    }
}

void random_matrices() {
    for (unsigned version = 1; version <= 40; ++version) {
        const unsigned n = 17 + 4 * version;
        for (unsigned dark : {2u, 8u, 13u})
            compare(n, random_grid(n, version * 31 + dark, dark),
                    "random " + std::to_string(n) + "x" + std::to_string(n) + " dark " + std::to_string(dark) + "/16");
    }
}

}  // namespace

int main() {
    real_symbols();
    made_patterns();
    random_matrices();
    return test::failures();
}
