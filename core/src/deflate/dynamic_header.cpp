#include "dynamic_header.hpp"

#include <algorithm>
#include <array>
#include <span>

namespace tavlo::deflate {

DynamicHeader::DynamicHeader(const Codes& codes, const UsedSymbols& used) {
    // The lengths are listed up to the last used symbol of each alphabet, and at least the 257 literals and
    // the end of the block; the end of the block is always used.
    TAVLO_ASSERT(used.literal_count > 0);
    literal_count_ = std::max(257u, unsigned{used.literal().back()} + 1);
    distance_count_ = used.distance_count == 0 ? 1 : unsigned{used.distance().back()} + 1;
    add_runs(codes, used);

    // Built over the item symbols used, the others' lengths and codes left 0 as they start.
    std::array<std::uint16_t, length_symbols> items_used;
    const std::size_t used_count = used_symbols(counts_, items_used.data());
    huffman_code(counts_, std::span(items_used).first(used_count), 7, lengths_, codes_);
    // The decoder takes only a complete code here: a lone symbol gets a partner.
    if (used_count == 1) {
        lengths_[counts_[0] != 0 ? 1 : 0] = 1;
        canonical_codes(lengths_, codes_);
    }
    length_count_ = length_symbols;
    while (length_count_ > 4 && lengths_[length_order[length_count_ - 1]] == 0) --length_count_;

    bits_ = 5 + 5 + 4 + 3 * length_count_;
    for (const std::uint16_t symbol : std::span(items_used).first(used_count))
        bits_ += counts_[symbol] * (lengths_[symbol] + item_extra_bits(symbol));
}

// The lengths of both alphabets, one list, as runs of equal lengths: the runs of zeros are the gaps between
// used symbols, so only the used are looked at.
void DynamicHeader::add_runs(const Codes& codes, const UsedSymbols& used) {
    std::size_t next = 0;       // the first place in the list not yet in a run
    unsigned run_length = 0;    // the length of the open run of used symbols, 0 for none
    std::size_t run = 0;
    const auto place = [&](std::size_t at, unsigned length) {
        if (at != next || length != run_length) {
            if (run_length != 0) add_run(run_length, run);
            if (at != next) add_run(0, at - next);
            run_length = length;
            run = 0;
        }
        ++run;
        next = at + 1;
    };
    for (const unsigned s : used.literal()) place(s, codes.literal_lengths[s]);
    if (used.distance_count == 0) place(literal_count_, codes.distance_lengths[0]);
    for (const unsigned d : used.distance()) place(literal_count_ + d, codes.distance_lengths[d]);
    add_run(run_length, run);
    TAVLO_ASSERT(next == literal_count_ + distance_count_);
}

void DynamicHeader::add_long_run(unsigned length, std::size_t run) {
    if (length == 0) {
        while (run >= 11) {
            const std::size_t take = std::min<std::size_t>(run, 138);
            add(18, take - 11);
            run -= take;
        }
        if (run >= 3) {
            add(17, run - 3);
            run = 0;
        }
    } else {
        add(length, 0);
        --run;
        while (run >= 3) {
            const std::size_t take = std::min<std::size_t>(run, 6);
            add(16, take - 3);
            run -= take;
        }
    }
    for (; run > 0; --run) add(length, 0);
}

void DynamicHeader::write(BitWriter& out) const {
    BitWriter::Cursor at = out.cursor();  // kept in registers, as the writer's own state cannot be
    at.put((literal_count_ - 257) | (distance_count_ - 1) << 5 | (length_count_ - 4) << 10, 5 + 5 + 4);
    // The code-length code's lengths, 3 bits each, in two puts of at most 10 lengths.
    for (unsigned from = 0; from < length_count_; from += 10) {
        std::uint64_t lengths = 0;
        const unsigned to = std::min(from + 10, length_count_);
        for (unsigned i = from; i < to; ++i) lengths |= std::uint64_t{lengths_[length_order[i]]} << (3 * (i - from));
        at.put(lengths, 3 * (to - from));
    }
    // Items, each at most 7 + 7 bits, are gathered into as few puts as they fit in.
    constexpr unsigned longest_item = 7 + 7;
    std::uint64_t bits = 0;
    unsigned fill = 0;
    for (unsigned i = 0; i < item_count_; ++i) {
        const Item item = items_[i];
        const unsigned code_length = lengths_[item.symbol];
        bits |= std::uint64_t{codes_[item.symbol] | unsigned{item.extra} << code_length} << fill;
        fill += code_length + item_extra_bits(item.symbol);
        if (fill > BitWriter::max_put - longest_item) {
            at.put(bits, fill);
            bits = 0;
            fill = 0;
        }
    }
    at.put(bits, fill);
    out.resume(at);
}

}  // namespace tavlo::deflate
