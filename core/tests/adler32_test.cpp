// The Adler-32 kept per run equals zlib's over the same bytes: bytes of every length up to a few words (a
// length not a multiple of eight ends in a partial word), rows repeated, and stretches one after another.
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "check.hpp"
#include "deflate/adler32.hpp"

using namespace tavlo;

namespace {

std::uint32_t zlib_adler(const std::vector<std::uint8_t>& data) {
    return static_cast<std::uint32_t>(adler32(1, data.data(), static_cast<uInt>(data.size())));
}

// Bytes that look random, from a multiplicative hash of their place.
std::vector<std::uint8_t> noise(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>((i + seed) * 2654435761u >> 24);
    return data;
}

}  // namespace

int main() {
    for (std::size_t size = 0; size <= 40; ++size) {
        // All 0xff, the largest sums, and noise, each after a stretch that leaves the sums not at their start.
        for (const std::vector<std::uint8_t>& data : {std::vector<std::uint8_t>(size, 0xff), noise(size, 5)}) {
            const std::vector<std::uint8_t> before = noise(13, 9);
            std::vector<std::uint8_t> all = before;
            all.insert(all.end(), data.begin(), data.end());
            deflate::Adler32 sums;
            sums.bytes(before);
            sums.bytes(data);
            CHECK(sums.value() == zlib_adler(all) && sums.length() == all.size());

            // The same bytes as a row given three times.
            for (int copy = 0; copy < 2; ++copy) all.insert(all.end(), data.begin(), data.end());
            deflate::Adler32 rows;
            rows.bytes(before);
            rows.row(data, 3);
            CHECK(rows.value() == zlib_adler(all) && rows.length() == all.size());
        }
    }
    // Long enough that the sums are reduced on the way.
    const std::vector<std::uint8_t> long_data = noise(200003, 11);
    deflate::Adler32 sums;
    sums.bytes(long_data);
    CHECK(sums.value() == zlib_adler(long_data));
    return test::failures();
}
