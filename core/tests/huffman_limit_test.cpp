// Length-limited Huffman codes: counts in a Fibonacci sequence make the deepest unlimited tree (one more level
// per symbol), so every limit below that depth has to move symbols up; the lengths must stay within the limit
// and still fill the code space exactly, or the decoder reads a different stream.
#include <array>
#include <cstdint>
#include <vector>

#include "check.hpp"
#include "deflate/huffman.hpp"

using namespace tavlo::deflate;

namespace {

// The Kraft sum of the lengths in units of 2^-limit: exactly 2^limit for a complete code.
std::uint64_t kraft_units(const std::vector<std::uint8_t>& lengths, unsigned limit) {
    std::uint64_t units = 0;
    for (std::uint8_t length : lengths)
        if (length) units += std::uint64_t{1} << (limit - length);
    return units;
}

void fibonacci_counts_fit(std::size_t symbols, unsigned limit) {
    std::vector<std::uint64_t> counts(symbols);
    std::uint64_t a = 1, b = 1;
    for (std::uint64_t& count : counts) {
        count = a;
        const std::uint64_t next = a + b;
        a = b;
        b = next;
    }
    std::vector<std::uint8_t> lengths(symbols);
    std::vector<std::uint16_t> codes(symbols);
    huffman_code(counts, limit, lengths, codes);
    for (std::uint8_t length : lengths) CHECK(length >= 1 && length <= limit);
    CHECK(kraft_units(lengths, limit) == std::uint64_t{1} << limit);
    // A more frequent symbol never gets a longer code.
    for (std::size_t i = 1; i < symbols; ++i) CHECK(lengths[i] <= lengths[i - 1]);
}

}  // namespace

int main() {
    // Deflate's literal and length code (limit 15) and the code of its code lengths (limit 7).
    for (std::size_t symbols : {17, 20, 30, 40, 60}) fibonacci_counts_fit(symbols, 15);
    for (std::size_t symbols : {9, 10, 12, 19}) fibonacci_counts_fit(symbols, 7);
    return tavlo::test::failures();
}
