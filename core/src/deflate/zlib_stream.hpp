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

#include "byte_writer.hpp"
#include "smallest_tokens.hpp"
#include "tokenizer.hpp"
#include "tokens.hpp"

namespace tavlo::deflate {

// The bits of the shortest block `append_zlib_stream` makes of `tokens` describing `data_bytes` bytes.
std::uint64_t block_bits(const Tokens& tokens, std::uint64_t data_bytes);

// Appends the zlib stream of data described by `tokens` (ended by end_block()), `data_bytes` long with the
// Adler-32 `adler`: the tokens in a fixed-code or a dynamic-code block, or the bytes that `write_bytes` writes
// in stored blocks, whichever is shortest. `out` keeps room for `room_after` more bytes, which the caller
// appends next without moving it again.
void append_zlib_stream(std::vector<std::uint8_t>& out, const Tokens& tokens, std::uint64_t data_bytes,
                        std::uint32_t adler, const std::function<void(std::uint8_t*)>& write_bytes,
                        std::size_t room_after = 0);

// Data longer than this is never searched thoroughly: the search keeps about 13 bytes per byte of data and
// takes a good part of a second per mebibyte.
inline constexpr std::uint64_t thorough_limit = std::uint64_t{1} << 20;

// Appends the zlib stream of the data the source describes. When `smallest` is asked for and the data is
// within `thorough_limit`, the tokens of a thorough search are kept instead of the runs' when they are shorter.
// `out` keeps room for `room_after` more bytes.
template <class Source>
void append_zlib(std::vector<std::uint8_t>& out, const Source& source, bool smallest = false,
                 std::size_t room_after = 0) {
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
            return append_zlib_stream(
                out, searched, length, adler, [&data](std::uint8_t* at) { std::copy(data.begin(), data.end(), at); },
                room_after);
        }
    }
    append_zlib_stream(out, tokenizer.tokens(), length, adler, write_bytes, room_after);
}

}  // namespace tavlo::deflate
