#include "huffman.hpp"

#include <algorithm>
#include <array>
#include <numeric>

#include "../assert.hpp"

namespace tavlo::deflate {

namespace {

constexpr std::size_t max_symbols = 288;

constexpr auto reversed_bytes = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        for (unsigned bit = 0; bit < 8; ++bit) table[byte] |= static_cast<std::uint8_t>((byte >> bit & 1) << (7 - bit));
    }
    return table;
}();

struct Leaf {
    std::uint64_t count;
    std::uint16_t symbol;
};

// Sorts leaves by count, then symbol: as single numbers, count above symbol, when the counts leave room.
void sort_by_count(std::span<Leaf> leaves) {
    constexpr unsigned symbol_bits = 9;
    const auto most = std::ranges::max(leaves, {}, &Leaf::count).count;
    if (most >> (64 - symbol_bits) != 0) {
        std::ranges::sort(leaves, [](const Leaf& a, const Leaf& b) {
            return a.count != b.count ? a.count < b.count : a.symbol < b.symbol;
        });
        return;
    }
    std::array<std::uint64_t, max_symbols> keys;
    for (std::size_t i = 0; i < leaves.size(); ++i) keys[i] = leaves[i].count << symbol_bits | leaves[i].symbol;
    std::sort(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(leaves.size()));
    for (std::size_t i = 0; i < leaves.size(); ++i)
        leaves[i] = {keys[i] >> symbol_bits, static_cast<std::uint16_t>(keys[i] & ((1u << symbol_bits) - 1))};
}

// The longest code a caller may ask for: deflate's literal, length and distance codes (RFC 1951, 3.2.7).
constexpr unsigned max_limit = 15;
using PerDepth = std::array<std::uint32_t, max_limit + 1>;

// How many leaves lie at each depth of a Huffman tree over `leaves` (sorted by count, at least two), those
// deeper than `limit` counted at `limit`; built by the two-queue method: leaves and merged nodes are both taken
// in order of count.
PerDepth leaves_per_depth(std::span<const Leaf> leaves, unsigned limit) {
    const std::size_t n = leaves.size();
    // Only the first n - 1 merged nodes and 2n - 1 parents are ever written and read.
    std::array<std::uint64_t, max_symbols> merged;
    std::array<std::uint16_t, 2 * max_symbols> parent;  // leaves first, then merged nodes
    std::size_t next_leaf = 0;
    std::size_t next_merged = 0;
    const auto take = [&](std::size_t made) -> std::size_t {
        if (next_leaf < n && (next_merged == made || leaves[next_leaf].count <= merged[next_merged])) {
            return next_leaf++;
        }
        return n + next_merged++;
    };
    const auto count = [&](std::size_t node) { return node < n ? leaves[node].count : merged[node - n]; };
    for (std::size_t made = 0; made + 1 < n; ++made) {
        const std::size_t a = take(made);
        const std::size_t b = take(made);
        merged[made] = count(a) + count(b);
        parent[a] = parent[b] = static_cast<std::uint16_t>(n + made);
    }
    // A node's parent is merged after it, so depths fill in from the root down.
    std::array<std::uint16_t, 2 * max_symbols> depth;
    PerDepth per_depth{};
    depth[2 * n - 2] = 0;  // the root
    for (std::size_t node = 2 * n - 2; node-- > 0;) {
        depth[node] = static_cast<std::uint16_t>(depth[parent[node]] + 1);
        if (node < n) ++per_depth[std::min<unsigned>(depth[node], limit)];
    }
    return per_depth;
}

// With the leaves deeper than `limit` moved up to it, lengthens the shallowest-but-one codes until the lengths
// fit the code space again (the adjustment of the classic length-limited deflate encoders).
void fit_code_space(PerDepth& per_depth, unsigned limit) {
    std::uint64_t space = 0;  // in units of 2^-limit
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
}

// The canonical codes of `symbols`, the symbols of non-zero length in increasing order, `per_length[b]` of
// them `b` bits long.
void assign_codes(std::span<const std::uint16_t> symbols, std::span<const std::uint8_t> lengths,
                  const PerDepth& per_length, std::span<std::uint16_t> codes) {
    TAVLO_ASSERT(per_length[0] == 0);
    std::array<std::uint16_t, max_limit + 1> next{};
    for (unsigned bits = 1, code = 0; bits <= max_limit; ++bits) {
        code = (code + per_length[bits - 1]) << 1;
        next[bits] = static_cast<std::uint16_t>(code);
    }
    for (std::uint16_t s : symbols) {
        const unsigned length = lengths[s];
        const unsigned code = next[length]++;
        const unsigned reversed = reversed_bytes[code & 0xff] << 8 | reversed_bytes[code >> 8];
        codes[s] = static_cast<std::uint16_t>(reversed >> (16 - length));
    }
}

}  // namespace

void huffman_code(std::span<const std::uint64_t> counts, unsigned limit, std::span<std::uint8_t> lengths,
                  std::span<std::uint16_t> codes) {
    TAVLO_ASSERT(counts.size() <= max_symbols && lengths.size() == counts.size() && codes.size() == counts.size());
    std::fill(lengths.begin(), lengths.end(), 0);
    std::fill(codes.begin(), codes.end(), 0);
    std::array<std::uint16_t, max_symbols> used;
    const std::size_t n = used_symbols(counts, used.data());
    huffman_code(counts, std::span(used).first(n), limit, lengths, codes);
}

void huffman_code(std::span<const std::uint64_t> counts, std::span<const std::uint16_t> used, unsigned limit,
                  std::span<std::uint8_t> lengths, std::span<std::uint16_t> codes) {
    TAVLO_ASSERT(counts.size() <= max_symbols && lengths.size() == counts.size() && codes.size() == counts.size());
    TAVLO_ASSERT(limit <= max_limit);
    const std::size_t n = used.size();
    if (n == 0) return;
    if (n == 1) {
        lengths[used[0]] = 1;
        codes[used[0]] = 0;
        return;
    }
    std::array<Leaf, max_symbols> storage;
    for (std::size_t i = 0; i < n; ++i) storage[i] = {counts[used[i]], used[i]};
    const std::span<Leaf> leaves(storage.data(), n);
    sort_by_count(leaves);
    PerDepth per_depth = leaves_per_depth(leaves, limit);
    fit_code_space(per_depth, limit);
    // The rarest symbols take the longest codes.
    std::size_t next = 0;
    for (unsigned d = limit; d > 0; --d) {
        for (std::uint32_t i = 0; i < per_depth[d]; ++i) lengths[leaves[next++].symbol] = static_cast<std::uint8_t>(d);
    }
    assign_codes(used, lengths, per_depth, codes);
}

void canonical_codes(std::span<const std::uint8_t> lengths, std::span<std::uint16_t> codes) {
    std::array<std::uint16_t, max_symbols> used;
    PerDepth per_length{};
    std::size_t n = 0;
    for (std::size_t s = 0; s < lengths.size(); ++s) {
        if (lengths[s] != 0) used[n++] = static_cast<std::uint16_t>(s);
        ++per_length[lengths[s]];
    }
    per_length[0] = 0;
    assign_codes(std::span(used).first(n), lengths, per_length, codes);
}

}  // namespace tavlo::deflate
