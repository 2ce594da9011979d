// The rows of a two-colour image coded for speed: the stretches of a row equal to the row above become one
// copy each, runs within the rest copies of the byte before, and what is left literals. Text and the edges of
// shapes change little from one row to the next, so a row costs a few symbols for what changed, found from
// masks of the bytes equal to those above and to the next, 64 at a time. A row repeated as it is becomes a
// copy of itself from one row back, joined to the copy that ends the row when that one comes from there too.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "tokens.hpp"

namespace tavlo::deflate {

class RowCoder {
public:
    // Codes `row`, a scanline of at most 32768 bytes that follows the row given before it in the stream (when
    // it is as long) and occurs `times` times in a row, into `tokens`.
    void code(std::span<const std::uint8_t> row, std::uint64_t times, Tokens& tokens);

private:
    // The row before, when there was one: `size_` bytes, in `small_` when they fit (a label's row, which then
    // costs no allocation), else in `large_`.
    static constexpr std::size_t small_row = 256;
    const std::uint8_t* above_row() const { return size_ <= small_row ? small_.data() : large_.data(); }
    std::array<std::uint8_t, small_row> small_;
    std::vector<std::uint8_t> large_;
    std::size_t size_ = 0;
    unsigned last_copy_ = 0;          // the length of the last token when it copies from one row back, else 0
};

}  // namespace tavlo::deflate
