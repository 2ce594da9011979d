// ZPL II Programming Guide, "ZB64 Encoding and Compression": Z64 data is the field's bytes compressed as a zlib
// stream (LZ77, as PNG), encoded in MIME base64, with a CRC over the encoded text.
#include <array>
#include <cstdio>

#include "zpl_fields.hpp"
#include "../assert.hpp"
#include "../deflate/zlib_stream.hpp"

namespace tavlo::label::zpl {
namespace {

// The rows for the zlib writer, which codes each from the row above it.
class Rows {
public:
    Rows(std::span<const RowRun> rows, std::size_t row_bytes) : rows_(rows), row_bytes_(row_bytes) {}

    std::size_t expected_tokens() const { return 16 + 16 * rows_.size(); }

    template <class Sink>
    void write(Sink& sink) const {
        for (const RowRun& run : rows_) sink.row(std::span(run.row, row_bytes_), run.times);
    }

private:
    std::span<const RowRun> rows_;
    std::size_t row_bytes_;
};

constexpr char base64_digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void append_base64(std::string& out, std::span<const std::uint8_t> bytes) {
    out.reserve(out.size() + (bytes.size() + 2) / 3 * 4);
    std::size_t at = 0;
    for (; at + 3 <= bytes.size(); at += 3) {
        const std::uint32_t group = std::uint32_t{bytes[at]} << 16 | std::uint32_t{bytes[at + 1]} << 8 | bytes[at + 2];
        for (int shift = 18; shift >= 0; shift -= 6) out += base64_digits[group >> shift & 63];
    }
    if (const std::size_t left = bytes.size() - at) {
        const std::uint32_t group = std::uint32_t{bytes[at]} << 16 | (left == 2 ? std::uint32_t{bytes[at + 1]} << 8 : 0);
        out += base64_digits[group >> 18 & 63];
        out += base64_digits[group >> 12 & 63];
        out += left == 2 ? base64_digits[group >> 6 & 63] : '=';
        out += '=';
    }
}

// CRC-16 with the polynomial x^16 + x^12 + x^5 + 1 (0x1021), initial value 0, most significant bit first, a
// byte at a time from a table of the 256 bytes' remainders.
constexpr auto crc16_table = [] {
    constexpr std::uint16_t polynomial = 0x1021;
    std::array<std::uint16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        std::uint16_t crc = static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>(crc & 0x8000 ? crc << 1 ^ polynomial : crc << 1);
        table[byte] = crc;
    }
    return table;
}();

std::uint16_t crc16(std::string_view text) {
    std::uint16_t crc = 0;
    for (unsigned char c : text) crc = static_cast<std::uint16_t>(crc << 8 ^ crc16_table[(crc >> 8 ^ c) & 0xff]);
    return crc;
}

}  // namespace

void append_z64_rows(std::string& out, std::span<const RowRun> rows, std::size_t row_bytes) {
    TAVLO_ASSERT(row_bytes <= deflate::max_distance);
    std::vector<std::uint8_t> stream;
    deflate::append_zlib(stream, Rows(rows, row_bytes));
    out += ":Z64:";
    const std::size_t start = out.size();
    append_base64(out, stream);
    char crc[8];
    std::snprintf(crc, sizeof crc, ":%04X", crc16(std::string_view(out).substr(start)));
    out += crc;
}

}  // namespace tavlo::label::zpl
