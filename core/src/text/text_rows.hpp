// Text filled to whole dots one image row at a time, from the top, each row joined with the dark columns the
// caller already has there (the bars of a label): a PNG writer takes every finished row straight into its
// bands, and nothing is stored for the text as a whole.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "../render/png_writer.hpp"
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

    // The next row's dark columns, the first call giving first_row, joined with `under` (sorted, neither
    // overlapping nor touching): sorted, neither overlapping nor touching, valid until the next call. At most
    // end_row - first_row calls.
    std::span<const png::Span> next(std::span<const png::Span> under);

private:
    // A glyph shape in place, read one row after another.
    struct Stamp {
        const RowSpan* next_span;     // the first span of the next row to read
        const std::size_t* next_end;  // where, in the shape's spans, that row ends
        const RowSpan* shape_spans;   // the shape's spans, which its row ends count from
        std::int64_t left;            // the image column of the shape's column 0
        std::int64_t top, bottom;     // the image rows [top, bottom) the shape covers, clipped to the image
        bool clipped;                 // some of its columns fall outside the image
    };

    std::vector<Stamp> stamps_;  // by left edge
    std::vector<png::Span> row_;
    std::size_t most_spans_ = 0;  // the most spans the stamps give one row
    std::uint32_t first_row_ = 0, end_row_ = 0, next_row_ = 0, width_;
};

}  // namespace tavlo::text
