// The PNG writer's split of the image data over IDAT chunks: every chunk within the limit and not empty, each
// with a correct CRC, the chunks together the same zlib stream as one chunk would carry, and that stream the
// image's pixels.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "check.hpp"
#include "write/png_writer.hpp"
#include "vectors.hpp"

using namespace tavlo;

namespace {

struct Chunk {
    std::string type;
    std::vector<std::uint8_t> data;
    bool crc_ok;
};

std::uint32_t read_u32(const std::uint8_t* at) {
    return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 | std::uint32_t(at[2]) << 8 | at[3];
}

std::vector<Chunk> chunks_of(const std::vector<std::uint8_t>& png) {
    std::vector<Chunk> chunks;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t length = read_u32(&png[at]);
        Chunk chunk{std::string(png.begin() + long(at) + 4, png.begin() + long(at) + 8),
                    std::vector<std::uint8_t>(png.begin() + long(at) + 8, png.begin() + long(at) + 8 + length), false};
        const auto crc = crc32(0, &png[at + 4], 4 + length);  // over the type and the data
        chunk.crc_ok = crc == read_u32(&png[at + 8 + length]);
        chunks.push_back(std::move(chunk));
        at += 12 + length;
    }
    return chunks;
}

// The default format: 8-bit RGBA, white and black.
Result<PngBytes> encode(std::uint32_t width, const std::vector<png::Band>& bands, std::size_t limit) {
    return png::encode_bands(width, bands, {}, limit);
}

std::vector<std::uint8_t> idat_stream(const std::vector<Chunk>& chunks) {
    std::vector<std::uint8_t> stream;
    for (const auto& c : chunks)
        if (c.type == "IDAT") stream.insert(stream.end(), c.data.begin(), c.data.end());
    return stream;
}

// 8-bit RGBA rows, each after its filter byte, undone: whether each pixel is dark.
std::vector<bool> pixels(const std::vector<std::uint8_t>& stream, std::uint32_t width, std::uint32_t height) {
    const std::size_t row_bytes = 1 + 4 * std::size_t(width);
    std::vector<std::uint8_t> raw(row_bytes * height);
    uLongf size = raw.size();
    if (uncompress(raw.data(), &size, stream.data(), stream.size()) != Z_OK || size != raw.size()) return {};
    std::vector<std::uint8_t> previous(row_bytes - 1, 0), row(row_bytes - 1);
    std::vector<bool> dark;
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* line = &raw[y * row_bytes];
        for (std::size_t i = 0; i < row.size(); ++i) {
            const std::uint8_t left = i >= 4 ? row[i - 4] : 0, up = previous[i];
            const std::uint8_t x = line[1 + i];
            switch (line[0]) {
            case 0: row[i] = x; break;
            case 1: row[i] = std::uint8_t(x + left); break;
            case 2: row[i] = std::uint8_t(x + up); break;
            case 3: row[i] = std::uint8_t(x + (left + up) / 2); break;
            default: {
                const std::uint8_t c = i >= 4 ? previous[i - 4] : 0;
                const int p = left + up - c, pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - c);
                row[i] = std::uint8_t(x + (pa <= pb && pa <= pc ? left : pb <= pc ? up : c));
            }
            }
        }
        for (std::uint32_t x = 0; x < width; ++x) dark.push_back(row[4 * x] == 0);
        previous = row;
    }
    return dark;
}

void split(std::uint32_t width, const std::vector<png::Band>& bands, std::size_t limit, const std::string& what) {
    std::uint32_t height = 0;
    std::vector<bool> expected;
    for (const auto& band : bands) {
        height += band.rows;
        std::vector<bool> row(width, false);
        for (const auto& span : band.dark)
            for (auto x = span.begin; x < span.end; ++x) row[x] = true;
        for (std::uint32_t r = 0; r < band.rows; ++r) expected.insert(expected.end(), row.begin(), row.end());
    }
    const auto whole = encode(width, bands, png::max_idat_bytes);
    const auto parts = encode(width, bands, limit);
    CHECK_CASE(whole && parts, what);
    if (!whole || !parts) return;
    const auto whole_chunks = chunks_of(*whole), part_chunks = chunks_of(*parts);

    std::size_t idats = 0;
    bool sizes_ok = true, crcs_ok = true;
    for (const auto& c : part_chunks) {
        crcs_ok = crcs_ok && c.crc_ok;
        if (c.type != "IDAT") continue;
        ++idats;
        sizes_ok = sizes_ok && !c.data.empty() && c.data.size() <= limit;
    }
    const auto stream = idat_stream(part_chunks);
    CHECK_CASE(crcs_ok, what);
    CHECK_CASE(sizes_ok, what + ", limit " + std::to_string(limit));
    CHECK_CASE(idats >= (stream.size() + limit - 1) / limit, what);
    CHECK_CASE(part_chunks.back().type == "IEND" && part_chunks.front().type == "IHDR", what);
    CHECK_CASE(stream == idat_stream(whole_chunks), what + ": the split changes the stream");
    CHECK_CASE(pixels(stream, width, height) == expected, what + ": pixels");
}

// Small limits, and the limits on either side of the whole image data's size.
void splits(std::uint32_t width, const std::vector<png::Band>& bands, const std::string& what) {
    const auto whole = encode(width, bands, png::max_idat_bytes);
    CHECK_CASE(whole.has_value(), what);
    if (!whole) return;
    const std::size_t size = idat_stream(chunks_of(*whole)).size();
    for (std::size_t limit : {std::size_t{1}, std::size_t{2}, std::size_t{7}, size / 2, size - 1, size, size + 1})
        split(width, bands, limit, what);
}

}  // namespace

int main() {
    splits(12, {{3, {{0, 2}, {5, 9}}}, {1, {}}, {4, {{1, 3}, {10, 12}}}, {2, {{0, 12}}}}, "stripes");
    std::vector<png::Band> tall;
    for (std::uint32_t k = 0; k < 40; ++k) tall.push_back({k % 5 + 1, {{k % 7, k % 7 + 3}, {20 + k % 11, 40}}});
    splits(300, tall, "tall");
    return test::failures();
}
