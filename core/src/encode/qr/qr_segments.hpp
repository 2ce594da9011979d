// Mode segmentation for the QR family (QR Code, Micro QR, rMQR): runs of one byte class, their greedy merging,
// the shortest plan, and the data bit stream. The symbologies differ only in their header bits, which a
// Dialect describes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
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

// The header bits of one symbol size: the mode indicators and the widths of the character counts.
struct Dialect {
    unsigned indicator_bits;                  // 4 for QR Code, 0 to 3 for Micro QR M1 to M4, 3 for rMQR
    std::array<std::uint8_t, 3> indicators;   // by Mode
    std::array<std::uint8_t, 3> count_bits;   // by Mode; 0 where the size has no such mode
    unsigned terminator_bits;                 // 4 for QR Code, 3 to 9 for Micro QR, 3 for rMQR

    bool allows(Mode mode) const { return count_bits[unsigned(mode)] != 0; }
};

// QR Code of version, in [1, 40]: ISO/IEC 18004 Tables 2 and 3.
Dialect qr_dialect(int version);

// The payload cut into maximal runs of one class, in order, covering every byte once. In GS1 mode
// (`gs1`: FNC1 in first position) a GS (0x1D) between elements is an alphanumeric character, written '%'
// (ISO/IEC 18004 7.4.8.2), and a data '%', which alphanumeric mode would have to double, goes in byte mode.
std::vector<Segment> runs(std::string_view payload, bool gs1 = false);

// The runs merged left to right for the character-count widths of dialect (QR Code's default segmentation).
std::vector<Segment> merge(std::span<const Segment> runs, const Dialect& dialect);

// The segmentation with the fewest bits under dialect, by shortest path over the modes (a character's cost
// depends on the segment's mode and on how many characters of its group are open). None when a byte needs a
// mode the dialect lacks or a segment would overflow its character count.
std::optional<std::vector<Segment>> shortest(std::string_view payload, const Dialect& dialect);

// Lower bounds for passing over a size without planning: any segmentation of payload takes at least
// fewest_data_bits(payload) + least_header_bits(dialect) bits (a nonempty payload), each character in the
// densest mode that holds it, under one header of the narrowest character count.
std::uint32_t fewest_data_bits(std::string_view payload);
std::uint32_t least_header_bits(const Dialect& dialect);

// Length of the segments' bit stream: mode indicators, character counts and data, no terminator.
std::uint32_t stream_bits(std::span<const Segment> segments, const Dialect& dialect);

// Bits written before the segments (ECI and Structured Append headers): `count` bits of value, at most 24.
struct Prefix {
    std::uint32_t value;
    unsigned count;
};

// The data codewords of a symbol holding `capacity_bits` data bits: prefixes, segments, terminator, bit
// padding and the 0xEC 0x11 pad bytes. When capacity_bits is 4 more than a multiple of 8 (Micro QR M1 and M3)
// the last codeword holds four bits, in its high half. The stream must fit.
std::vector<std::uint8_t> data_codewords(std::string_view payload, std::span<const Segment> segments,
                                         const Dialect& dialect, std::size_t capacity_bits,
                                         std::span<const Prefix> prefixes = {});

}  // namespace tavlo::qr
