// Rows coded by what changed from the row above: whatever copies the coder finds, the stream inflates back to
// the rows, for rows shorter than, as long as and longer than the 64 bytes it looks at together, with copies
// from above and runs that cross those 64 bytes, rows repeated, and rows of any length after one another.
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "check.hpp"
#include "deflate/zlib_stream.hpp"

using namespace tavlo;

namespace {

struct Noise {
    std::uint32_t seed;
    std::uint32_t next() { return (seed = seed * 1664525u + 1013904223u) >> 8; }
};

// Rows as a 1-bit image has them: mostly light or dark bytes, some edges, and much of each row as above.
std::vector<std::vector<std::uint8_t>> rows_like_an_image(std::size_t length, std::size_t count, Noise& noise) {
    constexpr std::uint8_t bytes[] = {0xff, 0xff, 0x00, 0x00, 0xf0, 0x0f, 0x80, 0x3c};
    std::vector<std::vector<std::uint8_t>> rows;
    std::vector<std::uint8_t> row(length);
    for (auto& byte : row) byte = bytes[noise.next() % 8];
    for (std::size_t r = 0; r < count; ++r) {
        // A few stretches of the row above change, some long and some a byte or two.
        for (std::uint32_t change = noise.next() % 4; change > 0; --change) {
            const std::size_t from = noise.next() % length, span = 1 + noise.next() % (noise.next() % 2 ? 3 : 90);
            const std::uint8_t byte = bytes[noise.next() % 8];
            for (std::size_t i = from; i < std::min(length, from + span); ++i)
                row[i] = noise.next() % 5 == 0 ? bytes[noise.next() % 8] : byte;
        }
        rows.push_back(row);
    }
    return rows;
}

// The rows, each given `times` times, through the row coder, and inflated again.
bool inflates_back(const std::vector<std::vector<std::uint8_t>>& rows, std::uint64_t times) {
    deflate::Tokenizer tokenizer(16);
    std::vector<std::uint8_t> data;
    for (const auto& row : rows) {
        tokenizer.row(row, times);
        for (std::uint64_t t = 0; t < times; ++t) data.insert(data.end(), row.begin(), row.end());
    }
    tokenizer.finish();
    std::vector<std::uint8_t> stream;
    deflate::append_zlib_stream(stream, tokenizer.tokens(), data.size(), tokenizer.adler().value(),
                                [&data](std::uint8_t* at) { std::copy(data.begin(), data.end(), at); });
    std::vector<std::uint8_t> back(data.size() + 1);
    uLongf size = back.size();
    if (uncompress(back.data(), &size, stream.data(), stream.size()) != Z_OK) return false;
    back.resize(size);
    return back == data;
}

}  // namespace

int main() {
    Noise noise{42};
    for (std::size_t length : {1, 3, 4, 5, 16, 17, 41, 63, 64, 65, 67, 127, 128, 129, 200, 700}) {
        for (std::uint64_t times : {1, 2, 7}) CHECK(inflates_back(rows_like_an_image(length, 24, noise), times));
    }
    // A row equal to the one above all along, longer than a copy; and runs longer than a copy.
    CHECK(inflates_back({std::vector<std::uint8_t>(1000, 0xff), std::vector<std::uint8_t>(1000, 0xff)}, 1));
    std::vector<std::uint8_t> runs(1000, 0x00);
    for (std::size_t i = 500; i < 1000; ++i) runs[i] = 0xff;
    CHECK(inflates_back({runs, std::vector<std::uint8_t>(1000, 0x0f), runs}, 3));
    // Rows of another length start afresh, without copies from a row above.
    CHECK(inflates_back({std::vector<std::uint8_t>(70, 0xf0), std::vector<std::uint8_t>(80, 0xf0),
                         std::vector<std::uint8_t>(70, 0xf0)},
                        2));
    return test::failures();
}
