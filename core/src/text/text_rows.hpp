// Text filled to whole dots one image row at a time, from the top, painted over the row the caller already has
// there (the bars of a label): a PNG writer codes each row as it is finished, and nothing is stored for the
// text as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "tavlo/text.hpp"

namespace tavlo::text {

class TextRows {
public:
    // The glyphs of `items` within width x height. Their shapes come from this thread's glyph store, which
    // keeps every shape while any TextRows of the thread lives.
    TextRows(std::span<const TextItem> items, std::uint32_t width, std::uint32_t height);
    ~TextRows();
    TextRows(const TextRows&) = delete;
    TextRows& operator=(const TextRows&) = delete;

    // The rows [first_row, end_row) hold the text; outside them it leaves no dot. first_row == end_row when
    // the text draws nothing.
    std::uint32_t first_row() const { return first_row_; }
    std::uint32_t end_row() const { return end_row_; }

    // Paints the next row's dots over `row`, the image row packed one bit per pixel with the leftmost in the
    // highest bit (as a 1-bit PNG stores it), setting them to `dark_bit`; the first call paints first_row. At
    // most end_row - first_row calls before rewind(). `row` has room(width) bytes: the painting reads and
    // writes eight at a time, leaving the bytes past the row as they are.
    void paint_next(std::uint8_t* row, bool dark_bit);

    // The bytes of a row `width` pixels wide, rounded up to a multiple of eight.
    static std::size_t room(std::uint32_t width) { return (std::size_t{width} + 63) / 64 * 8; }

    // Back to first_row, to paint the rows again.
    void rewind();

    // How many rows from the next one on no glyph covers (0 when a glyph covers the next row). Text above and
    // below a symbol spans all of its bars' rows, which the caller then takes as they are.
    std::uint32_t blank_rows_next() const;
    // Passes over `count` rows that blank_rows_next() said are blank.
    void skip(std::uint32_t count) { next_row_ += count; }

private:
    // A glyph shape in place, read one row after another: when all of it lies within the image, as bits at
    // its place within a byte, each row a word when it fits in eight bytes of the image row; otherwise as spans
    // to clip.
    struct Stamp {
        const std::uint64_t* first_word;  // its first shown row's word, shifted left `shift` bits into the
        unsigned shift;                   // eight bytes from `byte` and on into the next eight; null when
                                          // not painted as words
        const std::uint8_t* first_bits;   // its first shown row's bits, null when clipped
        const RowSpan* first_span;       // when clipped, its first shown row's first span
        const std::size_t* first_end;    // and where, in the shape's spans, that row ends
        const RowSpan* shape_spans;      // the shape's spans, which its row ends count from
        std::uint32_t bytes;             // of each row of bits
        std::uint32_t byte;              // in the image row, of the first
        std::int64_t left;               // the image column of the shape's column 0
        std::int64_t top, bottom;        // the image rows [top, bottom) the shape covers, clipped to the image
        // Where the next row is read.
        const std::uint64_t* word;
        const std::uint8_t* bits;
        const RowSpan* next_span;
        const std::size_t* next_end;
    };

    std::vector<Stamp> stamps_;  // by left edge
    // The rows [first, second) some glyph covers, in order, disjoint and not touching.
    std::vector<std::pair<std::int64_t, std::int64_t>> covered_;
    std::uint32_t first_row_ = 0, end_row_ = 0, next_row_ = 0, width_;
};

}  // namespace tavlo::text
