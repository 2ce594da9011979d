// The PNG chunk CRC against zlib's, over every length up to a few folding blocks past the 64 bytes where
// folding starts, on data that is random, all zeros and all ones (the bytes that matter in 1-bit images).
#include <zlib.h>

#include <cstdint>
#include <random>
#include <vector>

#include "check.hpp"
#include "write/chunk_crc.hpp"

int main() {
    std::mt19937 random(20261208);
    for (std::size_t size = 0; size <= 600; ++size) {
        for (int fill : {-1, 0x00, 0xff}) {
            std::vector<std::uint8_t> data(size);
            for (std::uint8_t& byte : data) byte = static_cast<std::uint8_t>(fill < 0 ? random() : fill);
            const auto expected = static_cast<std::uint32_t>(crc32_z(0, data.data(), data.size()));
            CHECK(tavlo::png::chunk_crc(data.data(), data.size()) == expected);
        }
    }
    return tavlo::test::failures();
}
