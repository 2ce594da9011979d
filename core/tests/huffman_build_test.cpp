// The Huffman code built in place must give every symbol the same length and code as the plain construction
// it replaced (a tree of leaves and merged nodes taken in order of count, a leaf before a merged node of the
// same count, lengths clamped to the limit and refitted, canonical codes): a different length changes the
// PNG's bytes. Compared over seeded counts of every shape a block meets: few symbols and many, equal counts
// (ties), counts that make trees deeper than the limit, and counts too large to sort with their symbol.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "check.hpp"
#include "deflate/huffman.hpp"

using namespace tavlo::deflate;

namespace {

struct Code {
    std::vector<std::uint8_t> lengths;
    std::vector<std::uint16_t> codes;
    friend bool operator==(const Code&, const Code&) = default;
};

// The plain construction, written for clarity rather than speed.
Code reference_code(const std::vector<std::uint64_t>& counts, unsigned limit) {
    const std::size_t size = counts.size();
    Code code{std::vector<std::uint8_t>(size), std::vector<std::uint16_t>(size)};
    std::vector<std::pair<std::uint64_t, std::size_t>> leaves;  // (count, symbol)
    for (std::size_t s = 0; s < size; ++s)
        if (counts[s] != 0) leaves.emplace_back(counts[s], s);
    const std::size_t n = leaves.size();
    if (n == 0) return code;
    if (n == 1) {
        code.lengths[leaves[0].second] = 1;
        return code;
    }
    std::sort(leaves.begin(), leaves.end());
    std::vector<std::uint64_t> merged;
    std::vector<std::size_t> parent(2 * n - 1);
    std::size_t next_leaf = 0, next_merged = 0;
    const auto take = [&] {
        if (next_leaf < n && (next_merged == merged.size() || leaves[next_leaf].first <= merged[next_merged]))
            return next_leaf++;
        return n + next_merged++;
    };
    const auto weight = [&](std::size_t node) { return node < n ? leaves[node].first : merged[node - n]; };
    while (merged.size() + 1 < n) {
        const std::size_t a = take(), b = take();
        parent[a] = parent[b] = n + merged.size();
        merged.push_back(weight(a) + weight(b));
    }
    std::vector<unsigned> depth(2 * n - 1, 0);
    std::vector<unsigned> per_depth(limit + 1, 0);
    for (std::size_t node = 2 * n - 2; node-- > 0;) {
        depth[node] = depth[parent[node]] + 1;
        if (node < n) ++per_depth[std::min(depth[node], limit)];
    }
    std::uint64_t space = 0;
    for (unsigned d = 1; d <= limit; ++d) space += std::uint64_t{per_depth[d]} << (limit - d);
    for (; space > std::uint64_t{1} << limit; --space) {
        --per_depth[limit];
        for (unsigned d = limit - 1; d > 0; --d) {
            if (per_depth[d] != 0) {
                --per_depth[d];
                per_depth[d + 1] += 2;
                break;
            }
        }
    }
    std::size_t next = 0;
    for (unsigned d = limit; d > 0; --d)
        for (unsigned i = 0; i < per_depth[d]; ++i) code.lengths[leaves[next++].second] = static_cast<std::uint8_t>(d);
    // Canonical codes (RFC 1951, 3.2.2), each written bit-reversed.
    std::vector<unsigned> next_code(limit + 2, 0);
    for (unsigned bits = 1, c = 0; bits <= limit; ++bits) {
        c = (c + per_depth[bits - 1]) << 1;
        next_code[bits] = c;
    }
    for (std::size_t s = 0; s < size; ++s) {
        const unsigned length = code.lengths[s];
        if (length == 0) continue;
        const unsigned c = next_code[length]++;
        unsigned reversed = 0;
        for (unsigned bit = 0; bit < length; ++bit) reversed |= (c >> bit & 1) << (length - 1 - bit);
        code.codes[s] = static_cast<std::uint16_t>(reversed);
    }
    return code;
}

Code built_code(const std::vector<std::uint64_t>& counts, unsigned limit) {
    Code code{std::vector<std::uint8_t>(counts.size()), std::vector<std::uint16_t>(counts.size())};
    huffman_code(counts, limit, code.lengths, code.codes);
    return code;
}

// Counts of `size` symbols, about `density` of them used, drawn by `draw`.
template <class Draw>
std::vector<std::uint64_t> counts_of(std::mt19937_64& rng, std::size_t size, double density, Draw&& draw) {
    std::vector<std::uint64_t> counts(size);
    std::bernoulli_distribution used(density);
    for (std::uint64_t& count : counts) count = used(rng) ? draw() : 0;
    return counts;
}

void same_as_reference(const std::vector<std::uint64_t>& counts, unsigned limit, const char* shape) {
    const bool same = built_code(counts, limit) == reference_code(counts, limit);
    if (!same) std::printf("%s counts over %zu symbols, limit %u\n", shape, counts.size(), limit);
    CHECK(same);
}

}  // namespace

int main() {
    std::mt19937_64 rng(20261208);
    for (int round = 0; round < 3000; ++round) {
        const unsigned limit = round % 3 == 0 ? 7 : 15;
        const std::size_t size = limit == 7 ? 19 : std::array<std::size_t, 3>{30, 286, 288}[round / 3 % 3];
        const double density = std::uniform_real_distribution<double>(0.02, 1.0)(rng);
        std::uniform_int_distribution<std::uint64_t> small(1, 6), wide(1, 5000);
        std::geometric_distribution<std::uint64_t> rare(0.02);
        std::uniform_int_distribution<unsigned> shift(0, 40);
        std::uniform_int_distribution<std::uint64_t> huge(std::uint64_t{1} << 55, std::uint64_t{1} << 56);
        same_as_reference(counts_of(rng, size, density, [&] { return small(rng); }), limit, "small");
        same_as_reference(counts_of(rng, size, density, [&] { return wide(rng); }), limit, "wide");
        same_as_reference(counts_of(rng, size, density, [&] { return rare(rng) + 1; }), limit, "geometric");
        // Counts spread over many powers of two make trees far deeper than the limit.
        same_as_reference(counts_of(rng, size, density, [&] { return (std::uint64_t{1} << shift(rng)) + small(rng); }),
                          limit, "deep");
        same_as_reference(counts_of(rng, size, density, [&] { return huge(rng) + small(rng); }), limit, "huge");
    }
    // Two symbols and one, at either end of the alphabet.
    for (std::size_t size : {19, 30, 286}) {
        std::vector<std::uint64_t> counts(size);
        counts.front() = 3;
        same_as_reference(counts, 15, "one");
        counts.back() = 3;
        same_as_reference(counts, 15, "two");
    }
    return tavlo::test::failures();
}
