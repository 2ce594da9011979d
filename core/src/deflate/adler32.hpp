// The Adler-32 of a zlib stream's data (RFC 1950), kept per run of the data's description rather than per byte.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "tokens.hpp"

namespace tavlo::deflate {

// The Adler-32 of the data, kept per run: n bytes of value v add n·v to the first sum and
// n·(first sum) + v·n(n+1)/2 to the second; n copies of a four-byte unit of sum S, whose bytes weighted
// 4, 3, 2, 1 sum to T, add n·S and 4n·(first sum) + n·T + 2S·n(n-1).
class Adler32 {
public:
    // The sums are reduced only when they grow large: a run shorter than 2^16 adds less than 2^26 to the
    // first sum, which stays below 2^32, and less than 2^51 to the second, which stays below 2^60.
    void run(std::uint8_t byte, std::uint64_t count) {
        if (count >= short_run) return long_run(byte, count);
        Frame& f = frames_[depth_];
        f.b += count * f.a + byte * (count * (count + 1) / 2);
        f.a += count * byte;
        f.length += count;
        f.reduce_if_large();
    }
    void pattern(std::uint32_t unit, std::uint64_t count) {
        if (count >= short_run) return long_pattern(unit, count);
        Frame& f = frames_[depth_];
        const std::uint64_t sum = (unit & 0xff) + (unit >> 8 & 0xff) + (unit >> 16 & 0xff) + (unit >> 24);
        const std::uint64_t weighted =
            4 * (unit & 0xff) + 3 * (unit >> 8 & 0xff) + 2 * (unit >> 16 & 0xff) + (unit >> 24);
        f.b += 4 * count * f.a + count * weighted + 2 * sum * count * (count - 1);
        f.a += count * sum;
        f.length += 4 * count;
        f.reduce_if_large();
    }
    void bytes(std::span<const std::uint8_t> data) { add_bytes(frames_[depth_], data); }
    // `data` `times` times in a row, as begin_repeat, bytes and end_repeat give it.
    void row(std::span<const std::uint8_t> data, std::uint64_t times);
    void begin_repeat(std::uint64_t times, std::uint64_t bytes);
    void end_repeat();
    std::uint32_t value() const;
    std::uint64_t length() const { return frames_[0].length; }

private:
    static constexpr std::uint64_t modulus = 65521;
    static constexpr std::uint64_t short_run = 1u << 16;
    struct Frame {
        std::uint64_t a = 1;
        std::uint64_t b = 0;
        std::uint64_t length = 0;
        std::uint64_t times = 1;
        void reduce() {
            a %= modulus;
            b %= modulus;
        }
        void reduce_if_large() {
            if (a >= std::uint64_t{1} << 32 || b >= std::uint64_t{1} << 60) reduce();
        }
    };
    static void add_bytes(Frame& f, std::span<const std::uint8_t> data);
    void long_run(std::uint8_t byte, std::uint64_t count);
    void long_pattern(std::uint32_t unit, std::uint64_t count);
    std::array<Frame, max_nesting + 1> frames_{};
    unsigned depth_ = 0;
};

}  // namespace tavlo::deflate
