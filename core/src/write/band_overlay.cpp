#include "band_overlay.hpp"

#include <algorithm>
#include <utility>

#include "bit_row.hpp"
#include "../deflate/equal_prefix.hpp"

namespace tavlo::label {

namespace {

// The row last painted, held back until the next shows whether it repeats.
class HeldRow {
public:
    // Rows are `size` bytes, the filter byte included, followed by room the sink does not see.
    HeldRow(std::vector<std::uint8_t>& held, std::size_t size, png::RowSink& sink)
        : held_(held), size_(size), sink_(sink) {}

    // `row` occurs `times` times from here: added to the held row's times when the two are equal, else taking
    // its place, and the held row given to the sink.
    void push(std::vector<std::uint8_t>& row, std::uint64_t times) {
        // Compared inline over the row alone: the call to memcmp cost more than the few words of a label's row.
        if (times_ > 0 && deflate::equal_prefix(row.data(), held_.data(), size_) == size_) {
            times_ += times;
            return;
        }
        flush();
        std::swap(row, held_);
        times_ = times;
    }
    void flush() {
        if (times_ > 0) sink_.row(std::span(held_).first(size_), times_);
        times_ = 0;
    }

private:
    std::vector<std::uint8_t>& held_;
    std::size_t size_;
    png::RowSink& sink_;
    std::uint64_t times_ = 0;
};

}  // namespace

void overlay_text(std::span<const png::Band> bars, text::TextRows& text, std::uint32_t width, bool dark_bit,
                  OverlayRows& rows, png::RowSink& sink) {
    text.rewind();
    const std::size_t size = png::bit_row_bytes(width) + 1;  // with the filter byte, 0
    // The text paints rows with room to spare, which stays 0.
    for (std::vector<std::uint8_t>* row : {&rows.bars, &rows.row, &rows.held})
        row->assign(1 + text::TextRows::room(width), 0);
    HeldRow held(rows.held, size, sink);
    const auto paint = [&](const png::Band& band, std::vector<std::uint8_t>& row) {
        png::paint_row(band.dark, width, dark_bit, row.data() + 1);
    };
    const std::uint64_t first = text.first_row(), last = text.end_row();
    std::uint64_t top = 0;
    for (const png::Band& band : bars) {
        const std::uint64_t bottom = top + band.rows;
        if (bottom <= first || top >= last) {
            paint(band, rows.row);
            held.push(rows.row, band.rows);
            top = bottom;
            continue;
        }
        paint(band, rows.bars);
        if (top < first) {
            rows.row = rows.bars;
            held.push(rows.row, first - top);
        }
        for (std::uint64_t row = std::max(top, first), end = std::min(bottom, last); row < end;) {
            rows.row = rows.bars;
            if (const std::uint64_t blank = std::min<std::uint64_t>(text.blank_rows_next(), end - row)) {
                text.skip(std::uint32_t(blank));
                held.push(rows.row, blank);
                row += blank;
                continue;
            }
            text.paint_next(rows.row.data() + 1, dark_bit);
            held.push(rows.row, 1);
            ++row;
        }
        if (bottom > last) {
            rows.row = rows.bars;
            held.push(rows.row, bottom - last);
        }
        top = bottom;
    }
    held.flush();
}

}  // namespace tavlo::label
