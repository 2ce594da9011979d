// The symbols of a deflate stream (RFC 1951) as they are recorded before their codes are chosen: literals,
// copies with their length and distance codes, and marks around stretches whose bits repeat.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "../assert.hpp"

namespace tavlo::deflate {

inline constexpr unsigned literal_symbols = 286;  // literals, end of block, 29 lengths
inline constexpr unsigned end_of_block = 256;
inline constexpr unsigned max_match = 258;
inline constexpr unsigned min_match = 3;
inline constexpr unsigned max_nesting = 8;

inline constexpr unsigned distance_symbols = 30;
inline constexpr std::uint32_t max_distance = 32768;

// Distance symbol, extra bits and their value of a copy from 1 to 32768 bytes back (RFC 1951, 3.2.5): 1 to 4
// have symbols 0 to 3; beyond, each pair of symbols covers the next power of two, halved by the symbol's low
// bit, with the remaining bits as extra bits.
struct DistanceCode {
    std::uint8_t symbol;
    std::uint8_t extra_bits;
    std::uint16_t extra;
};
constexpr DistanceCode distance_code(std::uint32_t distance) {
    const std::uint32_t d = distance - 1;
    if (d < 4) return {static_cast<std::uint8_t>(d), 0, 0};
    const unsigned top = std::bit_width(d) - 1;  // the highest bit set, 2 or more
    return {static_cast<std::uint8_t>(2 * top + (d >> (top - 1) & 1)), static_cast<std::uint8_t>(top - 1),
            static_cast<std::uint16_t>(d & ((1u << (top - 1)) - 1))};
}

// Length symbol (257..285), extra bits and their value, for each copy length 3..258 (RFC 1951, 3.2.5).
struct LengthCode {
    std::uint16_t symbol;
    std::uint8_t extra_bits;
    std::uint8_t extra;
};
inline constexpr std::uint16_t length_base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr std::uint8_t length_extra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr auto length_codes = [] {
    std::array<LengthCode, max_match + 1> table{};
    for (unsigned i = 0; i < 29; ++i) {
        const unsigned last = i + 1 < 29 ? length_base[i + 1] - 1u : max_match;
        for (unsigned length = length_base[i]; length <= last; ++length) {
            table[length] = {static_cast<std::uint16_t>(257 + i), length_extra[i],
                             static_cast<std::uint8_t>(length - length_base[i])};
        }
    }
    return table;
}();

// One token in 32 bits: a literal or length symbol (or a repeat marker) in its low 9 bits, then a length's
// 5 extra bits, its distance symbol (5 bits) and the distance's 13 extra bits.
namespace token {
inline constexpr unsigned symbol_bits = 9;
inline constexpr unsigned length_extra_shift = 9;
inline constexpr unsigned distance_shift = 14;
inline constexpr unsigned distance_extra_shift = 19;
inline constexpr std::uint32_t five_bits = 31;

constexpr std::uint32_t of_match(const LengthCode& length, const DistanceCode& distance) {
    return length.symbol | std::uint32_t{length.extra} << length_extra_shift |
           std::uint32_t{distance.symbol} << distance_shift | std::uint32_t{distance.extra} << distance_extra_shift;
}
constexpr unsigned symbol(std::uint32_t token) { return token & ((1u << symbol_bits) - 1); }
constexpr std::uint32_t length_extra(std::uint32_t token) { return token >> length_extra_shift & five_bits; }
constexpr unsigned distance_symbol(std::uint32_t token) { return token >> distance_shift & five_bits; }
constexpr std::uint32_t distance_extra(std::uint32_t token) { return token >> distance_extra_shift; }
}  // namespace token

// The symbols of the stream, recorded once and then written with the codes chosen for them: tokens as above,
// the counts of the repeats kept in the order they begin.
class Tokens {
public:
    static constexpr std::uint32_t begin_repeat_marker = 286;
    static constexpr std::uint32_t end_repeat_marker = 287;

    explicit Tokens(std::size_t expected) {
        if (Spare& spare = spare_memory(); spare.tokens) {
            tokens_ = std::move(spare.tokens);
            capacity_ = std::exchange(spare.capacity, 0);
        }
        room(expected);
    }
    Tokens(Tokens&&) = default;
    Tokens& operator=(Tokens&&) = default;
    ~Tokens() {
        if (!tokens_ || capacity_ > kept_capacity) return;
        if (Spare& spare = spare_memory(); capacity_ > spare.capacity) spare = {std::move(tokens_), capacity_};
    }

    void literal(std::uint8_t byte) {
        push(byte);
        literal_counts_[byte] += times_[depth_];
        see_literal(byte);
    }
    // Each of `count` bytes a literal. Only outside repeats.
    void literals(const std::uint8_t* bytes, std::size_t count) {
        TAVLO_ASSERT(depth_ == 0);
        std::uint32_t* const out = room(count);
        // Each byte read once: the stores may alias it, as far as the compiler knows, and would have it read again.
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t byte = bytes[i];
            out[i] = byte;
            ++literal_counts_[byte];
            see_literal(byte);
        }
        size_ += count;
    }
    [[gnu::always_inline]] void match(unsigned length, DistanceCode distance) {
        const LengthCode& code = length_codes[length];
        push(token::of_match(code, distance));
        literal_counts_[code.symbol] += times_[depth_];
        distance_counts_[distance.symbol] += times_[depth_];
        see_literal(code.symbol);
        distance_seen_[distance.symbol] = 1;
    }
    void begin_repeat(std::uint64_t times) {
        TAVLO_ASSERT(depth_ < max_nesting);
        push(begin_repeat_marker);
        repeats_.push_back(times);
        times_[depth_ + 1] = times_[depth_] * times;
        ++depth_;
    }
    void end_repeat() {
        push(end_repeat_marker);
        --depth_;
    }
    // `count` bytes copied from `back` bytes back, in copies of at most 258 bytes and at least 3: a stretch of
    // 259 or 260 is split in two, and only a run (one byte back) shorter than 3 bytes is left as literals of
    // its byte; the other callers copy at least 3 bytes.
    // Returns the length of the last token when it is one of these copies, else 0.
    unsigned copies(std::uint64_t count, std::uint32_t back, std::uint8_t byte) {
        // One copy, the most common case (a run within a row, a row's repeats), inline: the whole took a fifth
        // of a Micro QR label's row coding as a call.
        if (count >= min_match && count <= max_match) {
            match(static_cast<unsigned>(count), distance_code(back));
            return static_cast<unsigned>(count);
        }
        return split_copies(count, back, byte);
    }

private:
    [[gnu::noinline]] unsigned split_copies(std::uint64_t count, std::uint32_t back, std::uint8_t byte) {
        const DistanceCode distance = distance_code(back);
        std::uint64_t full = count / max_match;
        auto rest = static_cast<unsigned>(count % max_match);
        if (rest < min_match && rest > 0 && full > 0) {
            --full;
            rest += max_match - min_match;
            match(rest, distance);
            rest = min_match;
        }
        if (full > 1) begin_repeat(full);
        if (full > 0) match(max_match, distance);
        if (full > 1) end_repeat();
        if (rest >= min_match) {
            match(rest, distance);
            return rest;
        }
        for (unsigned i = 0; i < rest; ++i) literal(byte);
        return rest == 0 && full == 1 ? max_match : 0;
    }

public:
    // Makes the last token, a copy from `distance` back, `length` bytes long instead. Only outside repeats.
    void replace_last_match(unsigned length, DistanceCode distance) {
        TAVLO_ASSERT(depth_ == 0 && size_ > 0);
        --literal_counts_[token::symbol(tokens_[--size_])];
        --distance_counts_[distance.symbol];
        match(length, distance);
    }
    // Tokens made apart for a stretch of data that copies only from within itself (a glyph's cached
    // tokens), taken as they are wherever the stretch now stands. Only outside repeats; no repeat marks.
    void append(std::span<const std::uint32_t> made) {
        TAVLO_ASSERT(depth_ == 0);
        std::uint32_t* const out = room(made.size());
        for (std::size_t i = 0; i < made.size(); ++i) {
            const std::uint32_t t = made[i];
            const unsigned symbol = token::symbol(t);
            TAVLO_ASSERT(symbol != end_of_block && symbol < literal_symbols);
            out[i] = t;
            ++literal_counts_[symbol];
            see_literal(symbol);
            if (symbol > end_of_block) {
                ++distance_counts_[token::distance_symbol(t)];
                distance_seen_[token::distance_symbol(t)] = 1;
            }
        }
        size_ += made.size();
    }
    void end_block() {
        push(end_of_block);
        ++literal_counts_[end_of_block];
        see_literal(end_of_block);
    }

    std::span<const std::uint32_t> tokens() const { return {tokens_.get(), size_}; }
    const std::vector<std::uint64_t>& repeats() const { return repeats_; }
    const std::array<std::uint64_t, literal_symbols>& literal_counts() const { return literal_counts_; }
    const std::array<std::uint64_t, distance_symbols>& distance_counts() const { return distance_counts_; }
    // 1 for each symbol that has had a token, else 0, in a multiple of eight bytes: every symbol whose count is
    // not 0, and any whose tokens were all replaced or repeated 0 times.
    std::span<const std::uint8_t> literals_seen() const { return literal_seen_; }
    std::span<const std::uint8_t> distances_seen() const { return distance_seen_; }

private:
    // The memory of the last stream a thread finished is kept for its next, up to kept_capacity tokens (a
    // mebibyte): a label's stream then costs no allocation (a Micro QR label's PNG: 1,500 instructions fewer,
    // with the row kept in place below).
    static constexpr std::size_t kept_capacity = std::size_t{1} << 18;
    struct Spare {
        std::unique_ptr<std::uint32_t[]> tokens;
        std::size_t capacity = 0;
    };
    static Spare& spare_memory() {
        thread_local Spare spare;
        return spare;
    }

    // A byte a symbol rather than a bit: a store, where setting a bit took a load and a store on the word.
    void see_literal(unsigned symbol) { literal_seen_[symbol] = 1; }
    void push(std::uint32_t token) { *room(1) = token, ++size_; }
    // Where the next `count` tokens go, made room for.
    std::uint32_t* room(std::size_t count) {
        if (capacity_ - size_ < count) {
            const std::size_t capacity = std::max({2 * capacity_, size_ + count, std::size_t{64}});
            auto grown = std::make_unique_for_overwrite<std::uint32_t[]>(capacity);
            std::copy_n(tokens_.get(), size_, grown.get());
            tokens_ = std::move(grown);
            capacity_ = capacity;
        }
        return tokens_.get() + size_;
    }

    std::unique_ptr<std::uint32_t[]> tokens_;  // the first size_ of capacity_ are the stream's
    std::size_t size_ = 0, capacity_ = 0;
    std::vector<std::uint64_t> repeats_;
    std::array<std::uint64_t, literal_symbols> literal_counts_{};  // each symbol's uses, repeats counted
    std::array<std::uint64_t, distance_symbols> distance_counts_{};
    std::array<std::uint8_t, (literal_symbols + 7) / 8 * 8> literal_seen_{};
    std::array<std::uint8_t, (distance_symbols + 7) / 8 * 8> distance_seen_{};
    std::array<std::uint64_t, max_nesting + 1> times_{1};
    unsigned depth_ = 0;
};

}  // namespace tavlo::deflate
