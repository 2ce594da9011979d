#include "adler32.hpp"

#include <algorithm>

#include "../little_endian.hpp"

namespace tavlo::deflate {

namespace {

// n(n+1)/2 modulo `modulus`, halved before it is reduced.
std::uint64_t triangle(std::uint64_t n, std::uint64_t modulus) {
    return n % 2 == 0 ? (n / 2) % modulus * ((n + 1) % modulus) % modulus
                      : n % modulus * ((n / 2 + 1) % modulus) % modulus;
}

}  // namespace

void Adler32::long_run(std::uint8_t byte, std::uint64_t count) {
    Frame& f = frames_[depth_];
    f.reduce();
    const std::uint64_t n = count % modulus;
    f.b = (f.b + n * f.a + byte * triangle(count, modulus)) % modulus;
    f.a = (f.a + n * byte) % modulus;
    f.length += count;
}

void Adler32::long_pattern(std::uint32_t unit, std::uint64_t count) {
    begin_repeat(count, 4);
    for (int shift = 0; shift < 32; shift += 8) run(static_cast<std::uint8_t>(unit >> shift), 1);
    end_repeat();
}

// Eight bytes at a time: their sum, and their sum weighted 8, 7, ..., 1 from the first, which is what they add to
// the second sum beyond eight times the first. Each is the top 16-bit lane of a product of the even or odd bytes
// (spread into 16-bit lanes) with the weights in reverse; no lane of either product exceeds 16 bits, so none
// carries into the top one.
void Adler32::add_bytes(Frame& f, std::span<const std::uint8_t> data) {
    const std::uint8_t* at = data.data();
    std::size_t left = data.size();
    constexpr std::uint64_t lanes = 0x00ff00ff00ff00ff;
    while (left >= 8) {
        // 2^16 words add less than 2^27 to the first sum and 2^53 to the second, which stay below 2^64.
        const std::size_t words = std::min<std::size_t>(left / 8, std::size_t{1} << 16);
        for (std::size_t i = 0; i < words; ++i, at += 8) {
            const std::uint64_t word = load_le64(at);
            const std::uint64_t even = word & lanes, odd = word >> 8 & lanes;
            const std::uint64_t sum = (even + odd) * 0x0001000100010001u >> 48;
            const std::uint64_t weighted =
                (even * 0x0008000600040002u >> 48) + (odd * 0x0007000500030001u >> 48);
            f.b += 8 * f.a + weighted;
            f.a += sum;
        }
        left -= 8 * words;
        f.reduce_if_large();
    }
    if (left > 0 && data.size() >= 8) {
        // The last few bytes as a word of them followed by zeros, read as the data's last eight bytes shifted
        // down: the zeros add nothing to the first sum, and 8 - left times the new first sum to the second,
        // which is taken back. A label's scanline ends so; byte by byte, the ends took a quarter of its sums.
        const std::uint64_t word = load_le64(data.data() + data.size() - 8) >> (8 * (8 - left));
        const std::uint64_t even = word & lanes, odd = word >> 8 & lanes;
        f.b += 8 * f.a + (even * 0x0008000600040002u >> 48) + (odd * 0x0007000500030001u >> 48);
        f.a += (even + odd) * 0x0001000100010001u >> 48;
        f.b -= (8 - left) * f.a;
        left = 0;
    }
    for (; left > 0; --left) {
        f.a += *at++;
        f.b += f.a;
    }
    f.reduce_if_large();
    f.length += data.size();
}

// A row of n bytes whose bytes sum to S, and whose second sum from sums of 0 is B, repeated t times adds as any
// repeat does (see end_repeat), with S and B exact: while t·n < 2^26, no term reaches 2^59 (S·n·t(t-1)/2 the
// largest, under 2^8·(t·n)^2/2), so the sums grow without a remainder taken. Each band of a label's image is a
// row repeated: the remainders of end_repeat took 2,900 of a Micro QR label's 4,900 Adler-32 instructions, which
// are 2,550 in all so.
void Adler32::row(std::span<const std::uint8_t> data, std::uint64_t times) {
    constexpr std::uint64_t exact_bytes = std::uint64_t{1} << 26;
    const std::uint64_t n = data.size();
    if (times == 1) return bytes(data);
    if (n >= exact_bytes || times >= exact_bytes / std::max<std::uint64_t>(n, 1)) {
        begin_repeat(times, n);
        bytes(data);
        return end_repeat();
    }
    Frame row{0, 0, 0, 1};
    add_bytes(row, data);
    Frame& f = frames_[depth_];
    // The frame's sums stay below 2^32 and 2^60 between calls, so the sum below stays under 2^62.
    f.b += times * n * f.a + times * row.b + row.a * n * (times * (times - 1) / 2);
    f.a += times * row.a;
    f.length += times * n;
    f.reduce_if_large();
}

void Adler32::begin_repeat(std::uint64_t times, std::uint64_t) {
    TAVLO_ASSERT(depth_ < max_nesting);
    frames_[++depth_] = {1, 0, 0, times};
}

// t copies of a stretch of n bytes whose bytes sum to S, and whose second sum from a first sum of 0 is B, add
// t·S to the first sum and t·n·(first sum) + t·B + S·n·t(t-1)/2 to the second.
void Adler32::end_repeat() {
    Frame content = frames_[depth_--];
    content.reduce();
    Frame& f = frames_[depth_];
    f.reduce();
    const std::uint64_t t = content.times % modulus;
    const std::uint64_t n = content.length % modulus;
    const std::uint64_t sum = (content.a + modulus - 1) % modulus;
    const std::uint64_t second = (content.b + modulus - n) % modulus;  // without the n starting sums of 1
    const std::uint64_t pairs = content.times == 0 ? 0 : triangle(content.times - 1, modulus);
    f.b = (f.b + t * n % modulus * f.a + t * second + sum * n % modulus * pairs) % modulus;
    f.a = (f.a + t * sum) % modulus;
    f.length += content.length * content.times;
}

std::uint32_t Adler32::value() const {
    Frame f = frames_[0];
    f.reduce();
    return static_cast<std::uint32_t>(f.b << 16 | f.a);
}

}  // namespace tavlo::deflate
