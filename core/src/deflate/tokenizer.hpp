// The sink that turns a description of data as runs into deflate tokens (see zlib_stream.hpp).
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "../assert.hpp"
#include "adler32.hpp"
#include "row_coder.hpp"
#include "tokens.hpp"

namespace tavlo::deflate {

// Turns runs into tokens, and keeps the Adler-32 and length of the data. A run is a literal (unless it
// continues the byte before) and copies of the byte before; a pattern is its four bytes as literals (unless
// they are all one byte, a run) and copies from four bytes back. Identical full-length copies become a
// repeat. A repeated stretch starts with a literal, so that it codes the same wherever it stands.
class Tokenizer {
public:
    explicit Tokenizer(std::size_t expected_tokens) : tokens_(expected_tokens) {}

    void run(std::uint8_t byte, std::uint64_t count) {
        adler_.run(byte, count);
        if (byte == pending_byte_) {
            pending_ += count;
            return;
        }
        flush();
        pending_byte_ = byte;
        pending_ = count;
    }
    void pattern(std::uint32_t unit, std::uint64_t count) {
        if (unit == (unit & 0xff) * 0x01010101u) return run(static_cast<std::uint8_t>(unit), 4 * count);
        adler_.pattern(unit, count);
        if (count == 0) return;
        flush();
        for (int shift = 0; shift < 32; shift += 8) tokens_.literal(static_cast<std::uint8_t>(unit >> shift));
        tokens_.copies(4 * (count - 1), 4, static_cast<std::uint8_t>(unit >> 24));
        last_ = unit >> 24;
    }
    // A scanline given byte by byte, `times` times in a row; scanlines are given so only outside repeats,
    // one after another.
    void row(std::span<const std::uint8_t> data, std::uint64_t times) {
        adler_.row(data, times);
        flush();
        TAVLO_ASSERT(depth_ == 0);
        rows_.code(data, times, tokens_);
        if (!data.empty() && times > 0) last_ = data.back();
    }
    void begin_repeat(std::uint64_t times, std::uint64_t bytes) {
        adler_.begin_repeat(times, bytes);
        flush();
        last_ = no_byte;
        // A short stretch is copied by deflate, which needs at least 3 bytes to copy.
        const bool copied = bytes <= max_match && (times - 1) * bytes >= min_match;
        open_[depth_++] = {times, bytes, copied};
        if (!copied) tokens_.begin_repeat(times);
    }
    void end_repeat() {
        adler_.end_repeat();
        flush();
        const Open& open = open_[--depth_];
        if (!open.copied) return tokens_.end_repeat();
        // Every byte of the copies equals the byte `bytes` back, so the last byte stays the same.
        tokens_.copies((open.times - 1) * open.bytes, static_cast<std::uint32_t>(open.bytes), 0);
    }
    void finish() {
        flush();
        tokens_.end_block();
    }

    const Tokens& tokens() const { return tokens_; }
    const Adler32& adler() const { return adler_; }

private:
    static constexpr int no_byte = -1;

    void flush() {
        std::uint64_t count = pending_;
        pending_ = 0;
        const int byte = pending_byte_;
        pending_byte_ = no_byte;
        if (count == 0) return;
        if (last_ != byte) {
            tokens_.literal(static_cast<std::uint8_t>(byte));
            --count;
            last_ = byte;
        }
        tokens_.copies(count, 1, static_cast<std::uint8_t>(byte));
    }

    struct Open {
        std::uint64_t times;
        std::uint64_t bytes;
        bool copied;  // by deflate from `bytes` back, not as bits
    };
    Tokens tokens_;
    Adler32 adler_;
    RowCoder rows_;
    std::array<Open, max_nesting> open_;
    unsigned depth_ = 0;
    int last_ = no_byte;          // the byte before, when it is the same wherever this stretch stands
    int pending_byte_ = no_byte;  // a run not yet coded, merged with the runs of the same byte that follow it
    std::uint64_t pending_ = 0;
};

}  // namespace tavlo::deflate
