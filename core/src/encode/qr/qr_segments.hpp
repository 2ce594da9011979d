// QR Code mode segmentation: runs of one byte class, their greedy merging, and the data bit stream.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tavlo::qr {

// Ordered by density for merging: numeric < alphanumeric < byte.
enum class Mode : std::uint8_t { Numeric, Alphanumeric, Byte };

// A stretch of the payload written under one mode indicator.
struct Segment {
    Mode mode;
    std::uint32_t begin;   // first payload byte
    std::uint32_t length;  // payload bytes covered, at least 1
};

// The payload cut into maximal runs of one class, in order, covering every byte once. In GS1 mode
// (`gs1`: FNC1 in first position) a GS (0x1D) between elements is an alphanumeric character, written '%'
// (ISO/IEC 18004 7.4.8.2), and a data '%', which alphanumeric mode would have to double, goes in byte mode.
std::vector<Segment> runs(std::string_view payload, bool gs1 = false);

// The runs merged left to right for the character-count widths of version, in [1, 40].
std::vector<Segment> merge(std::span<const Segment> runs, int version);

// Length of the segments' bit stream at version: mode indicators, character counts and data, no terminator;
// with `fnc1_first`, the FNC1 mode indicator that opens a GS1 symbol too.
std::uint32_t stream_bits(std::span<const Segment> segments, int version, bool fnc1_first = false);

// The data codewords of version: segments, terminator, bit padding and the 0xEC 0x11 pad bytes.
// The segments' stream must fit in `capacity` bytes.
std::vector<std::uint8_t> data_codewords(std::string_view payload, std::span<const Segment> segments, int version,
                                         std::size_t capacity, bool fnc1_first = false);

}  // namespace tavlo::qr
