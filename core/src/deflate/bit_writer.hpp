// A deflate bit stream (least significant bit first) written into memory sized beforehand, with a copy of the
// last bits written: identical stretches of data encode to identical bits, so they are copied, not encoded.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>

#include "../assert.hpp"
#include "../little_endian.hpp"

namespace tavlo::deflate {

class BitWriter {
public:
    // The longest piece `put` takes: the whole 64-bit store must hold it above up to 7 pending bits.
    static constexpr unsigned max_put = 56;
    // Bytes the writer may touch beyond the last one it completes.
    static constexpr std::size_t slack = 8;

    explicit BitWriter(std::uint8_t* at) : start_(at), c_{at} {}

    // Where the next bits go, apart from the writer, for a loop that writes many pieces to keep in registers.
    struct Cursor {
        std::uint8_t* at;           // the byte that holds the pending bits
        std::uint64_t pending = 0;  // bits not yet in a whole byte, also stored at `at`
        unsigned fill = 0;          // how many

        // Appends the low `count` bits of `bits` (count <= max_put; no bits set above them).
        void put(std::uint64_t bits, unsigned count) {
            TAVLO_ASSERT(count <= max_put && bits >> count == 0);
            pending |= bits << fill;
            fill += count;
            store_le64(at, pending);
            at += fill >> 3;
            pending >>= fill & ~7u;
            fill &= 7;
        }
    };
    Cursor cursor() const { return c_; }
    void resume(const Cursor& cursor) { c_ = cursor; }

    void put(std::uint64_t bits, unsigned count) { c_.put(bits, count); }

    // Bits written so far.
    std::uint64_t position() const { return static_cast<std::uint64_t>(c_.at - start_) * 8 + c_.fill; }

    // Pads with zero bits to a byte boundary.
    void align() {
        if (c_.fill != 0) put(0, 8 - c_.fill);
    }

    // Appends `count` bits that continue the last `period` bits periodically: each new bit equals the bit
    // `period` before it, as deflate's own copies do with bytes.
    void repeat(std::uint64_t period, std::uint64_t count) {
        TAVLO_ASSERT(period > 0 && period <= position());
        // Any whole number of periods back is the same bit; going back as far as the copied stretch allows
        // lets each step take the most bits.
        std::uint64_t copied = period;
        const std::uint64_t bytewise = std::lcm(period, std::uint64_t{8});
        while (count > 0) {
            if (copied >= bytewise && count >= 8 * 64) {
                copy_bytes(bytewise / 8, count);
                return;
            }
            const std::uint64_t periods = (max_put + period - 1) / period;  // enough for a whole step
            const std::uint64_t back = period * std::min(periods, copied / period);
            const auto step = static_cast<unsigned>(std::min<std::uint64_t>({count, back, max_put}));
            put(read(position() - back, step), step);
            copied += step;
            count -= step;
        }
    }

private:
    // `count` (<= max_put) bits already written from bit `from`.
    std::uint64_t read(std::uint64_t from, unsigned count) const {
        return load_le64(start_ + from / 8) >> (from % 8) & ((std::uint64_t{1} << count) - 1);
    }

    // The bulk of a repeat whose period, `back` bytes, keeps each bit at its place within its byte: the
    // current byte is completed bit by bit, whole bytes are copied, and the last few bits are put again.
    void copy_bytes(std::uint64_t back, std::uint64_t count) {
        const unsigned head = c_.fill == 0 ? 0 : 8 - c_.fill;
        put(read(position() - back * 8, head), head);
        count -= head;
        std::uint64_t bytes = count / 8;
        // Each pass copies as much as is already periodic, so the copied stretch doubles.
        for (std::uint64_t reach = back; bytes > 0;) {
            const std::uint64_t take = std::min(bytes, reach);
            std::memcpy(c_.at, c_.at - reach, take);
            c_.at += take;
            bytes -= take;
            reach += take;
        }
        c_.pending = 0;
        const auto tail = static_cast<unsigned>(count % 8);
        put(read(position() - back * 8, tail), tail);
    }

    std::uint8_t* start_;
    Cursor c_;
};

}  // namespace tavlo::deflate
