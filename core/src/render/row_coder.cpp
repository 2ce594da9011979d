#include "row_coder.hpp"

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
    const auto stride = static_cast<std::uint32_t>(row.size());
    const bool above = above_.size() == row.size();
    last_copy_ = 0;
    std::size_t at = 0;
    while (at < row.size()) {
        // The stretch that changed runs to the next one, long enough to copy, that did not.
        std::size_t changed_end = row.size(), same_end = row.size();
        for (std::size_t from = at; above && from < row.size();) {
            const std::size_t end = from + equal_prefix(row.data() + from, above_.data() + from, row.size() - from);
            if (end - from >= min_vertical) {
                changed_end = from;
                same_end = end;
                break;
            }
            from = end + 1;  // past the byte that differs
        }
        code_changed(row, at, changed_end, tokens);
        if (same_end > changed_end) copy(same_end - changed_end, stride, tokens);
        at = same_end;
    }

    // The repeats of the row are copies of it from one row back; a copy ending the row from there runs on.
    const std::uint64_t repeated = (times - 1) * stride;
    if (repeated > 0 && last_copy_ != 0 && last_copy_ + repeated <= max_match) {
        tokens.replace_last_match(last_copy_ + static_cast<unsigned>(repeated), distance_code(stride));
    } else if (repeated >= min_match) {
        tokens.copies(repeated, stride, 0);
    } else {
        for (std::uint64_t i = 0; i < repeated; ++i) tokens.literal(row[i % stride]);
    }
    above_.assign(row.begin(), row.end());
}

void RowCoder::code_changed(std::span<const std::uint8_t> row, std::size_t begin, std::size_t end, Tokens& tokens) {
    for (std::size_t at = begin; at < end;) {
        std::size_t run = at + 1;
        while (run < end && row[run] == row[at]) ++run;
        tokens.literal(row[at]);
        const std::size_t again = run - at - 1;
        if (again >= min_match) {
            tokens.copies(again, 1, row[at]);
        } else {
            for (std::size_t i = 0; i < again; ++i) tokens.literal(row[at]);
        }
        at = run;
    }
    last_copy_ = 0;
}

void RowCoder::copy(std::uint64_t count, std::uint32_t back, Tokens& tokens) {
    last_copy_ = tokens.copies(count, back, 0);
}

}  // namespace tavlo::deflate
