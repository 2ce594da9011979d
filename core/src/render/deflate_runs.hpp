// A zlib stream (RFC 1950/1951) written from a description of the data as runs, so that its cost follows the
// number of runs and the size of the output, not the size of the data.
//
// A source is any type with `std::size_t expected_tokens() const`, a guess at the symbols the stream will
// hold, and `template <class Sink> void write(Sink& sink) const` that describes the data by calling, in order:
//   sink.run(byte, count)        `count` bytes equal to `byte`
//   sink.pattern(unit, count)    `count` copies of four bytes, `unit` holding the first in its low byte
//   sink.row(data, times)        the bytes of a scanline, `times` times in a row (see Tokenizer::row)
//   sink.begin_repeat(times, bytes)  what follows up to the matching end_repeat(), `bytes` bytes long, occurs
//   sink.end_repeat()                `times` times in a row (repeats nest, at most max_nesting deep; the
//                                    content is described once)
// Counts may be 0. The source is asked once, or twice when the data is best stored uncompressed.
//
// The stream's copies refer one byte back within a run of one byte and four bytes back within a pattern, and
// a repeated stretch starts with literals; so every repeated stretch encodes to the same bits each time it
// occurs, and those bits are copied rather than encoded again. A short stretch (258 bytes at most) is
// instead coded once and then copied by deflate itself from its own length back, which takes fewer bits
// than coding it again. The Adler-32 follows the runs in closed form.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "../encode/shared/assert.hpp"
#include "bit_writer.hpp"
#include "deflate_tokens.hpp"
#include "row_coder.hpp"
#include "smallest_tokens.hpp"

namespace tavlo::deflate {

// The Adler-32 of the data, kept per run: n bytes of value v add n·v to the first sum and
// n·(first sum) + v·n(n+1)/2 to the second; n copies of a four-byte unit of sum S, whose bytes weighted
// 4, 3, 2, 1 sum to T, add n·S and 4n·(first sum) + n·T + 2S·n(n-1).
class Adler32 {
public:
    // The sums are reduced only when they grow large: a run shorter than 2^16 adds less than 2^26 to the
    // first sum, which stays below 2^32, and less than 2^51 to the second, which stays below 2^60.
    void run(std::uint8_t byte, std::uint64_t count) {
        if (count >= short_run) return long_run(byte, count);
        Frame& f = frames_[depth_];
        f.b += count * f.a + byte * (count * (count + 1) / 2);
        f.a += count * byte;
        f.length += count;
        f.reduce_if_large();
    }
    void pattern(std::uint32_t unit, std::uint64_t count) {
        if (count >= short_run) return long_pattern(unit, count);
        Frame& f = frames_[depth_];
        const std::uint64_t sum = (unit & 0xff) + (unit >> 8 & 0xff) + (unit >> 16 & 0xff) + (unit >> 24);
        const std::uint64_t weighted =
            4 * (unit & 0xff) + 3 * (unit >> 8 & 0xff) + 2 * (unit >> 16 & 0xff) + (unit >> 24);
        f.b += 4 * count * f.a + count * weighted + 2 * sum * count * (count - 1);
        f.a += count * sum;
        f.length += 4 * count;
        f.reduce_if_large();
    }
    void bytes(std::span<const std::uint8_t> data);
    void begin_repeat(std::uint64_t times, std::uint64_t bytes);
    void end_repeat();
    std::uint32_t value() const;
    std::uint64_t length() const { return frames_[0].length; }

private:
    static constexpr std::uint64_t modulus = 65521;
    static constexpr std::uint64_t short_run = 1u << 16;
    struct Frame {
        std::uint64_t a = 1;
        std::uint64_t b = 0;
        std::uint64_t length = 0;
        std::uint64_t times = 1;
        void reduce() {
            a %= modulus;
            b %= modulus;
        }
        void reduce_if_large() {
            if (a >= std::uint64_t{1} << 32 || b >= std::uint64_t{1} << 60) reduce();
        }
    };
    void long_run(std::uint8_t byte, std::uint64_t count);
    void long_pattern(std::uint32_t unit, std::uint64_t count);
    std::array<Frame, max_nesting + 1> frames_{};
    unsigned depth_ = 0;
};

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
        if (times == 1) {
            adler_.bytes(data);
        } else {
            adler_.begin_repeat(times, data.size());
            adler_.bytes(data);
            adler_.end_repeat();
        }
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

// The bytes themselves, for a stored block.
class ByteWriter {
public:
    explicit ByteWriter(std::uint8_t* at) : at_(at) {}
    void run(std::uint8_t byte, std::uint64_t count);
    void pattern(std::uint32_t unit, std::uint64_t count);
    void row(std::span<const std::uint8_t> data, std::uint64_t times);
    void begin_repeat(std::uint64_t times, std::uint64_t bytes);
    void end_repeat();

private:
    struct Repeat {
        std::uint8_t* start;
        std::uint64_t times;
    };
    std::uint8_t* at_;
    std::array<Repeat, max_nesting> repeats_;
    unsigned depth_ = 0;
};

// The bits of the shortest block `append_zlib_stream` makes of `tokens` describing `data_bytes` bytes.
std::uint64_t block_bits(const Tokens& tokens, std::uint64_t data_bytes);

// Appends the zlib stream of data described by `tokens` (ended by end_block()), `data_bytes` long with the
// Adler-32 `adler`: the tokens in a fixed-code or a dynamic-code block, or the bytes that `write_bytes` writes
// in stored blocks, whichever is shortest.
void append_zlib_stream(std::vector<std::uint8_t>& out, const Tokens& tokens, std::uint64_t data_bytes,
                        std::uint32_t adler, const std::function<void(std::uint8_t*)>& write_bytes);

// Data longer than this is never searched thoroughly: the search keeps about 13 bytes per byte of data and
// takes a good part of a second per mebibyte.
inline constexpr std::uint64_t thorough_limit = std::uint64_t{1} << 20;

// Appends the zlib stream of the data the source describes. When `smallest` is asked for and the data is
// within `thorough_limit`, the tokens of a thorough search are kept instead of the runs' when they are shorter.
template <class Source>
void append_zlib(std::vector<std::uint8_t>& out, const Source& source, bool smallest = false) {
    Tokenizer tokenizer(source.expected_tokens());
    source.write(tokenizer);
    tokenizer.finish();
    const std::uint64_t length = tokenizer.adler().length();
    const std::uint32_t adler = tokenizer.adler().value();
    const auto write_bytes = [&source](std::uint8_t* at) {
        ByteWriter bytes(at);
        source.write(bytes);
    };
    if (smallest && length <= thorough_limit) {
        std::vector<std::uint8_t> data(length);
        write_bytes(data.data());
        const Tokens searched = smallest_tokens(data);
        if (block_bits(searched, length) < block_bits(tokenizer.tokens(), length)) {
            return append_zlib_stream(out, searched, length, adler,
                                      [&data](std::uint8_t* at) { std::copy(data.begin(), data.end(), at); });
        }
    }
    append_zlib_stream(out, tokenizer.tokens(), length, adler, write_bytes);
}

}  // namespace tavlo::deflate
