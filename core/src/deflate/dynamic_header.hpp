// The code description at the start of a dynamic block: the code lengths of both alphabets, run-length
// coded with a code of their own (RFC 1951, 3.2.7).
#pragma once

#include <array>
#include <cstdint>

#include "bit_writer.hpp"
#include "block_codes.hpp"

namespace tavlo::deflate {

class DynamicHeader {
public:
    // The description of `codes`, whose used symbols are `used`. With no distance used, `codes` holds one
    // distance code of length 1, as a decoder expects at least one.
    DynamicHeader(const Codes& codes, const UsedSymbols& used);
    std::uint64_t bits() const { return bits_; }
    void write(BitWriter& out) const;

private:
    static constexpr unsigned length_symbols = 19;
    // The order in which the code-length code's own lengths are listed.
    static constexpr std::uint8_t length_order[length_symbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                                  11, 4,  12, 3, 13, 2, 14, 1, 15};
    // The extra bits after each symbol: none after a length, a repeat count after 16, 17 and 18. A table
    // rather than a test, as lengths and repeats alternate unpredictably.
    static constexpr std::uint8_t extra_bits[length_symbols] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                                0, 0, 0, 0, 0, 0, 2, 3, 7};
    struct Item {
        std::uint8_t symbol;  // 0..15 a length, 16 the previous length again, 17 and 18 zeros
        std::uint8_t extra;   // the repeat count's extra bits
    };

    void add_runs(const Codes& codes, const UsedSymbols& used);
    // A run of one or two is its lengths alone, whatever the length: most of a label's runs, gaps between used
    // symbols as much as equal lengths, so they are added inline and only longer ones take the call.
    void add_run(unsigned length, std::size_t run) {
        TAVLO_ASSERT(run > 0);
        if (run >= 3) return add_long_run(length, run);
        add(length, 0);
        if (run == 2) add(length, 0);
    }
    void add_long_run(unsigned length, std::size_t run);
    void add(unsigned symbol, unsigned extra) {
        items_[item_count_++] = {static_cast<std::uint8_t>(symbol), static_cast<std::uint8_t>(extra)};
        ++counts_[symbol];
    }
    static unsigned item_extra_bits(unsigned symbol) { return extra_bits[symbol]; }

    unsigned literal_count_ = 0;
    unsigned distance_count_ = 0;
    unsigned length_count_ = 0;
    std::array<std::uint64_t, length_symbols> counts_{};  // each item symbol's uses
    std::array<std::uint8_t, length_symbols> lengths_{};
    std::array<std::uint16_t, length_symbols> codes_{};
    std::array<Item, literal_symbols + distance_symbols> items_;
    unsigned item_count_ = 0;
    std::uint64_t bits_ = 0;
};

}  // namespace tavlo::deflate
