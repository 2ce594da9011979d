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

// Codes up to this long, nearly all of a label's, are reversed by one look-up in a table of 2 KiB rather than
// by their two bytes: assigning a MicroPDF417 label's three codes took 1,120 instructions so, 1,000 this way.
constexpr unsigned short_code = 10;
constexpr auto reversed_short = [] {
    std::array<std::uint16_t, 1u << short_code> table{};
    for (unsigned code = 0; code < table.size(); ++code) {
        for (unsigned bit = 0; bit < short_code; ++bit)
            table[code] |= static_cast<std::uint16_t>((code >> bit & 1) << (short_code - 1 - bit));
    }
    return table;
}();

// The longest code a caller may ask for: deflate's literal, length and distance codes (RFC 1951, 3.2.7).
constexpr unsigned max_limit = 15;
using PerDepth = std::array<std::uint32_t, max_limit + 1>;

// Counts below this are sorted by counting (see sort_by_count).
constexpr std::uint64_t counted_limit = 1024;

// The used symbols' counts in increasing order, ties by symbol, as `weights` and `symbols` side by side.
//
// A label's counts are small, a few hundred at most, so they are sorted by counting: the symbols are placed by
// how many have a smaller count, in their own increasing order within a count. That takes a pass over the
// range of counts, so it is done only while that range is not much more than the symbols; sorting 40 symbols
// so took a fifth of the instructions a sort took. Otherwise each count and its symbol are sorted as one
// number, count above symbol, when the counts leave room (half the time of sorting pairs by a comparison),
// else as pairs.
void sort_by_count(std::span<const std::uint64_t> counts, std::span<const std::uint16_t> used,
                   std::uint64_t* weights, std::uint16_t* symbols) {
    const std::size_t n = used.size();
    std::uint64_t most = 0;
    for (const std::uint16_t s : used) most = std::max(most, counts[s]);
    if (most < counted_limit && most <= 8 * n) {
        std::array<std::uint16_t, counted_limit + 1> below;  // [c]: the symbols of a count under c, then placed
        std::fill_n(below.begin(), most + 2, 0);
        for (const std::uint16_t s : used) ++below[counts[s] + 1];
        for (std::size_t c = 1; c <= most; ++c) below[c] += below[c - 1];
        for (const std::uint16_t s : used) {
            const std::size_t at = below[counts[s]]++;
            weights[at] = counts[s];
            symbols[at] = s;
        }
        return;
    }
    constexpr unsigned symbol_bits = 9;
    if (most >> (64 - symbol_bits) != 0) {
        struct Leaf {
            std::uint64_t count;
            std::uint16_t symbol;
        };
        std::array<Leaf, max_symbols> leaves;
        for (std::size_t i = 0; i < n; ++i) leaves[i] = {counts[used[i]], used[i]};
        std::sort(leaves.begin(), leaves.begin() + static_cast<std::ptrdiff_t>(n), [](const Leaf& a, const Leaf& b) {
            return a.count != b.count ? a.count < b.count : a.symbol < b.symbol;
        });
        for (std::size_t i = 0; i < n; ++i) weights[i] = leaves[i].count, symbols[i] = leaves[i].symbol;
        return;
    }
    std::array<std::uint64_t, max_symbols> keys;
    for (std::size_t i = 0; i < n; ++i) keys[i] = counts[used[i]] << symbol_bits | used[i];
    std::sort(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
        weights[i] = keys[i] >> symbol_bits;
        symbols[i] = static_cast<std::uint16_t>(keys[i] & ((1u << symbol_bits) - 1));
    }
}

// How many leaves lie at each depth of a Huffman tree over `weights` (ascending, at least two), those deeper
// than `limit` counted at `limit`; returns whether any was. The tree is built in place (Moffat and Katajainen,
// "In-place calculation of minimum-redundancy codes", 1995): leaves and merged nodes are taken in order of
// weight, a leaf before a merged node of the same weight, and the array holds in turn the merged nodes'
// weights, their parents and their depths, from which the leaves' depths follow level by level. It takes no
// parent array and no depth per node, which a label's few dozen symbols made the larger part of the work.
// Returns the deepest leaf's depth, which is beyond `limit` when any leaf was.
unsigned leaves_per_depth(std::span<std::uint64_t> a, unsigned limit, PerDepth& per_depth) {
    const std::size_t n = a.size();
    // Merged node `next` is made from the two lightest of the leaves from `leaf` and the merged nodes from
    // `root`; the merged node taken gets the index of its parent.
    a[0] += a[1];
    std::size_t root = 0, leaf = 2;
    for (std::size_t next = 1; next + 1 < n; ++next) {
        // With no merged node left (root == next), a[root] is the next leaf and the leaf is taken.
        if (leaf >= n || a[root] < a[leaf]) {
            a[next] = a[root];
            a[root++] = next;
        } else {
            a[next] = a[leaf++];
        }
        if (leaf >= n || (root < next && a[root] < a[leaf])) {
            a[next] += a[root];
            a[root++] = next;
        } else {
            a[next] += a[leaf++];
        }
    }
    // A parent comes after its children, so the depths of merged nodes fill in from the root down.
    a[n - 2] = 0;
    for (std::size_t next = n - 2; next-- > 0;) a[next] = a[a[next]] + 1;
    // Each level has twice as many places as the level above has merged nodes; those not merged nodes are leaves.
    per_depth = {};
    std::size_t places = 1, depth = 0, node = n - 1;  // merged nodes below `node` are not yet placed
    while (places > 0) {
        std::size_t merged = 0;
        for (; node > 0 && a[node - 1] == depth; --node) ++merged;
        if (places > merged)
            per_depth[std::min<std::size_t>(depth, limit)] += static_cast<std::uint32_t>(places - merged);
        places = 2 * merged;
        ++depth;
    }
    // The deepest level has leaves only, and is the last one looked at.
    return static_cast<unsigned>(depth - 1);
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
// them `b` bits long, none longer than `longest`.
void assign_codes(std::span<const std::uint16_t> symbols, std::span<const std::uint8_t> lengths,
                  const PerDepth& per_length, unsigned longest, std::span<std::uint16_t> codes) {
    TAVLO_ASSERT(per_length[0] == 0 && longest <= max_limit);
    std::array<std::uint16_t, max_limit + 1> next{};
    for (unsigned bits = 1, code = 0; bits <= longest; ++bits) {
        code = (code + per_length[bits - 1]) << 1;
        next[bits] = static_cast<std::uint16_t>(code);
    }
    for (std::uint16_t s : symbols) {
        const unsigned length = lengths[s];
        const unsigned code = next[length]++;
        if (length <= short_code) {
            codes[s] = static_cast<std::uint16_t>(reversed_short[code] >> (short_code - length));
            continue;
        }
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
    std::array<std::uint64_t, max_symbols> weights;
    std::array<std::uint16_t, max_symbols> symbols;
    sort_by_count(counts, used, weights.data(), symbols.data());
    PerDepth per_depth;
    // A label's codes are some 8 bits long at most, so the levels below the deepest are not looked at.
    unsigned longest = leaves_per_depth(std::span(weights).first(n), limit, per_depth);
    if (longest > limit) {
        fit_code_space(per_depth, limit);
        longest = limit;
    }
    // The rarest symbols take the longest codes.
    std::size_t next = 0;
    for (unsigned d = longest; d > 0; --d) {
        for (std::uint32_t i = 0; i < per_depth[d]; ++i) lengths[symbols[next++]] = static_cast<std::uint8_t>(d);
    }
    assign_codes(used, lengths, per_depth, longest, codes);
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
    assign_codes(std::span(used).first(n), lengths, per_length, max_limit, codes);
}

}  // namespace tavlo::deflate
