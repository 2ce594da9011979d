#include "row_coder.hpp"

#include <bit>
#include <cstring>

#include "equal_prefix.hpp"

namespace tavlo::deflate {

namespace {

// A stretch equal to the row above shorter than this is coded as it is: a copy from a row back costs a
// length, a distance and its extra bits, while a byte of a two-colour row costs two or three bits.
constexpr std::size_t min_vertical = 4;  // as one load compares

// A window of 16 bytes compared with the row above and with itself one byte on (17 bytes of the row) tells
// for each of its first 13 places whether a copy starts there.
constexpr std::size_t window_bytes = 17;
constexpr std::size_t window_places = 13;
constexpr std::uint32_t window_mask = (1u << window_places) - 1;

std::uint32_t load4(const std::uint8_t* at) {
    std::uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

}  // namespace

void RowCoder::code(std::span<const std::uint8_t> row, std::uint64_t times, Tokens& tokens) {
    if (row.empty() || times == 0) return;
    TAVLO_ASSERT(row.size() <= max_distance);
    const std::size_t size = row.size();
    const auto stride = static_cast<std::uint32_t>(size);
    const DistanceCode up = distance_code(stride);
    const std::uint8_t* const bytes = row.data();
    const std::uint8_t* const above = above_.size() == size ? above_.data() : nullptr;
    last_copy_ = 0;
    // A copy starts where four bytes equal the row above, which becomes one copy, or where a byte is repeated
    // three times or more, which becomes a literal and copies of the byte before. Other bytes are literals,
    // given together.
    const std::uint8_t* literals = bytes;
    const auto copy_from = [&](std::size_t at) __attribute__((always_inline)) -> std::size_t {
        const std::uint32_t four = load4(bytes + at);
        if (above && four == load4(above + at)) {
            tokens.literals(literals, static_cast<std::size_t>(bytes + at - literals));
            const std::size_t length =
                min_vertical + equal_prefix(bytes + at + min_vertical, above + at + min_vertical, size - at - min_vertical);
            last_copy_ = length <= max_match ? (tokens.match(static_cast<unsigned>(length), up), unsigned(length))
                                             : tokens.copies(length, stride, 0);
            literals = bytes + at + length;
            return at + length;
        }
        const std::uint8_t byte = bytes[at];
        if (four != byte * 0x01010101u) return at;
        tokens.literals(literals, static_cast<std::size_t>(bytes + at + 1 - literals));
        std::size_t end = at + 4;
        while (end < size && bytes[end] == byte) ++end;
        tokens.copies(end - at - 1, 1, byte);
        last_copy_ = 0;
        literals = bytes + end;
        return end;
    };
    // The places from `base` where a copy may start, found sixteen bytes at a time: bits 0 to 12.
    const auto starts_from = [&](std::size_t base) __attribute__((always_inline)) {
        const std::uint32_t repeats = equal_bytes16(bytes + base, bytes + base + 1);  // bit i: byte i is byte i + 1
        std::uint32_t starts = repeats & repeats >> 1 & repeats >> 2;
        if (above) {
            const std::uint32_t same = equal_bytes16(bytes + base, above + base);
            starts |= same & same >> 1 & same >> 2 & same >> 3;
        }
        return starts & window_mask;
    };
    std::size_t at = 0;
    // Window after window, the last one ending where the row does; the places no window covers, one by one.
    if (size >= window_bytes) {
        const std::size_t last_base = size - window_bytes;
        for (;;) {
            const std::size_t base = std::min(at, last_base);
            const std::uint32_t starts = starts_from(base) >> (at - base);
            if (starts != 0) {
                at = copy_from(at + static_cast<std::size_t>(std::countr_zero(starts)));
                continue;
            }
            const std::size_t reach = base + window_places;
            at = std::max(at, reach);
            if (base == last_base) break;
        }
    }
    while (at + 4 <= size) {
        const std::size_t next = copy_from(at);
        at = next == at ? at + 1 : next;
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
    above_.assign(row.begin(), row.end());
}

}  // namespace tavlo::deflate
