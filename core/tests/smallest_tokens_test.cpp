// The thorough deflate search: whatever copies it picks, the stream inflates back to the data, through runs,
// overlapping copies, the longest copy, the edge of the window and data with nothing to copy; and it is never
// longer than the data stored.
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "check.hpp"
#include "deflate/zlib_stream.hpp"
#include "deflate/smallest_tokens.hpp"

using namespace tavlo;

namespace {

std::vector<std::uint8_t> zlib_stream(const std::vector<std::uint8_t>& data) {
    const deflate::Tokens tokens = deflate::smallest_tokens(data);
    std::vector<std::uint8_t> out;
    const auto adler = static_cast<std::uint32_t>(adler32(1, data.data(), static_cast<uInt>(data.size())));
    deflate::append_zlib_stream(out, tokens, data.size(), adler,
                                [&data](std::uint8_t* at) { std::copy(data.begin(), data.end(), at); });
    return out;
}

bool inflates_back(const std::vector<std::uint8_t>& data) {
    const std::vector<std::uint8_t> stream = zlib_stream(data);
    std::vector<std::uint8_t> back(data.size() + 1);
    uLongf size = back.size();
    if (uncompress(back.data(), &size, stream.data(), stream.size()) != Z_OK) return false;
    back.resize(size);
    return back == data && stream.size() <= data.size() + 11 + 5 * (data.size() / 65535);
}

std::vector<std::uint8_t> noise(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> data(size);
    for (auto& byte : data) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(seed >> 24);
    }
    return data;
}

}  // namespace

int main() {
    CHECK(inflates_back({}));
    CHECK(inflates_back({7}));
    CHECK(inflates_back({7, 7}));
    CHECK(inflates_back({7, 7, 7}));
    CHECK(inflates_back(std::vector<std::uint8_t>(100000, 0xff)));  // runs far longer than one copy
    CHECK(inflates_back(noise(5000, 1)));                             // nothing worth copying

    // A short pattern over and over: copies overlap what they produce.
    std::vector<std::uint8_t> periodic(70000);
    for (std::size_t i = 0; i < periodic.size(); ++i) periodic[i] = static_cast<std::uint8_t>(i % 7 * 37);
    CHECK(inflates_back(periodic));

    // The same stretch exactly at the window's reach, then one byte beyond it.
    for (const std::size_t gap : {std::size_t{32768}, std::size_t{32769}}) {
        std::vector<std::uint8_t> far = noise(gap + 300, 2);
        std::copy_n(far.begin(), 300, far.begin() + static_cast<long>(gap));
        CHECK(inflates_back(far));
    }

    // Rows of two-colour pixels, as a PNG of a matrix symbol holds them: filter byte, then nibbles.
    std::vector<std::uint8_t> rows;
    const std::vector<std::uint8_t> bytes = noise(40 * 15 + 17, 3);
    for (std::size_t row = 0; row < 40; ++row) {
        for (int copy = 0; copy < 4; ++copy) {
            rows.push_back(0);
            for (std::size_t i = 0; i < 17; ++i) rows.push_back(bytes[row * 15 + i] & 0x0f ? 0xf0 : 0x0f);
        }
    }
    CHECK(inflates_back(rows));
    return test::failures();
}
