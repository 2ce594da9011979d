#include "row_coder.hpp"

#include <algorithm>
#include <bit>

#include "equal_prefix.hpp"

namespace tavlo::deflate {

namespace {

// A stretch equal to the row above shorter than this is coded as it is: a copy from a row back costs a
// length, a distance and its extra bits, while a byte of a two-colour row costs two or three bits.
constexpr std::size_t min_vertical = 4;

}  // namespace

void RowCoder::code(std::span<const std::uint8_t> row, std::uint64_t times, Tokens& tokens) {
    if (row.empty() || times == 0) return;
    TAVLO_ASSERT(row.size() <= max_distance);
    const std::size_t size = row.size();
    const auto stride = static_cast<std::uint32_t>(size);
    const DistanceCode up = distance_code(stride);
    const std::uint8_t* const bytes = row.data();
    const std::uint8_t* const above = size_ == size ? above_row() : nullptr;
    last_copy_ = 0;
    // A copy starts where four bytes equal the row above, which becomes one copy, or where a byte is repeated
    // three times or more, which becomes a literal and copies of the byte before. Other bytes are literals,
    // given together. The places are found 64 at a time, from masks of the bytes equal to those above and to
    // the next.
    const std::uint8_t* literals = bytes;
    std::size_t at = 0;
    while (at + min_vertical <= size) {
        const std::size_t count = std::min<std::size_t>(64, size - at);
        const bool last = at + count == size;
        const std::uint64_t same = above ? equal_bytes(bytes + at, above + at, count) : 0;
        const std::uint64_t next = equal_bytes(bytes + at, bytes + at + 1, last ? count - 1 : count);
        static_assert(min_vertical == 4 && min_match == 3);
        std::uint64_t starts = (same & same >> 1 & same >> 2 & same >> 3) | (next & next >> 1 & next >> 2);
        // No copy starts where its four bytes run past the masks; those places are looked at again with the next.
        const std::size_t decided = last ? count : count - (min_vertical - 1);
        std::size_t done = decided;  // from `at`: the places looked at, or coded by a copy
        while (starts != 0) {
            const auto i = static_cast<std::size_t>(std::countr_zero(starts));
            const std::uint8_t* const from = bytes + at + i;
            std::size_t length;
            if ((same >> i & 0xf) == 0xf) {
                length = static_cast<std::size_t>(std::countr_one(same >> i));
                if (i + length == count && !last)
                    length += equal_prefix(from + length, above + at + i + length, size - at - i - length);
                tokens.literals(literals, static_cast<std::size_t>(from - literals));
                last_copy_ = length <= max_match ? (tokens.match(static_cast<unsigned>(length), up), unsigned(length))
                                                 : tokens.copies(length, stride, 0);
            } else {
                length = static_cast<std::size_t>(std::countr_one(next >> i)) + 1;
                if (i + length >= count) {
                    length = count - i;
                    while (from + length < bytes + size && from[length] == *from) ++length;
                }
                tokens.literals(literals, static_cast<std::size_t>(from + 1 - literals));
                tokens.copies(length - 1, 1, *from);
                last_copy_ = 0;
            }
            literals = from + length;
            done = i + length;
            starts = done >= 64 ? 0 : starts & ~std::uint64_t{0} << done;
        }
        at += std::max(done, decided);
    }
    if (literals < bytes + size) {
        tokens.literals(literals, static_cast<std::size_t>(bytes + size - literals));
        last_copy_ = 0;
    }

    // The repeats of the row are copies of it from one row back; a copy ending the row from there runs on.
    const std::uint64_t repeated = (times - 1) * stride;
    if (repeated > 0 && last_copy_ != 0 && last_copy_ + repeated <= max_match) {
        tokens.replace_last_match(last_copy_ + static_cast<unsigned>(repeated), up);
    } else if (repeated >= min_match) {
        tokens.copies(repeated, stride, 0);
    } else {
        for (std::uint64_t i = 0; i < repeated; ++i) tokens.literal(bytes[i % stride]);
    }
    size_ = size;
    if (size <= small_row) {
        std::copy(row.begin(), row.end(), small_.begin());
    } else {
        large_.assign(row.begin(), row.end());
    }
}

}  // namespace tavlo::deflate
