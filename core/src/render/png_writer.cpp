#include "png_writer.hpp"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "deflate_runs.hpp"

namespace tavlo::png {

namespace {

constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::uint8_t filter_none = 0;
constexpr std::uint8_t filter_up = 2;

void put_u32(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}

void append_u32(PngBytes& out, std::uint32_t value) {
    out.resize(out.size() + 4);
    put_u32(out.data() + out.size() - 4, value);
}

std::uint32_t crc(const std::uint8_t* data, std::size_t size) {
    return static_cast<std::uint32_t>(crc32_z(0, data, size));
}

void append_chunk(PngBytes& out, const char* type, const std::uint8_t* data, std::size_t size) {
    append_u32(out, static_cast<std::uint32_t>(size));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    append_u32(out, crc(out.data() + start, size + 4));
}

bool one_bit(const Format& format) { return format.pixels != Format::Pixels::Rgba8; }

// IHDR, then PLTE and tRNS of a palette, then pHYs when a resolution is given.
void append_header_chunks(PngBytes& out, std::uint32_t width, std::uint32_t height, const Format& format) {
    // Bit depth, colour type, then compression, filter and interlace methods, all 0.
    std::uint8_t header[13] = {0, 0, 0, 0, 0, 0, 0, 0, 8, 6, 0, 0, 0};
    put_u32(header, width);
    put_u32(header + 4, height);
    if (one_bit(format)) {
        header[8] = 1;
        header[9] = format.pixels == Format::Pixels::Gray1 ? 0 : 3;
    }
    append_chunk(out, "IHDR", header, sizeof header);
    if (format.pixels == Format::Pixels::Palette1) {
        const Rgba& l = format.light;
        const Rgba& d = format.dark;
        const std::uint8_t palette[6] = {l.r, l.g, l.b, d.r, d.g, d.b};
        append_chunk(out, "PLTE", palette, sizeof palette);
        if (l.a != 255 || d.a != 255) {
            const std::uint8_t alpha[2] = {l.a, d.a};
            append_chunk(out, "tRNS", alpha, sizeof alpha);
        }
    }
    if (format.dpi) {
        // Pixels per metre, nearest (an inch is exactly 0.0254 m), within the 2^31 - 1 a PNG number allows.
        const auto per_metre = static_cast<std::uint32_t>(
            std::min<std::uint64_t>((std::uint64_t{*format.dpi} * 10000 + 127) / 254, 0x7fffffff));
        std::uint8_t physical[9] = {0, 0, 0, 0, 0, 0, 0, 0, 1};  // unit 1: the metre
        put_u32(physical, per_metre);
        put_u32(physical + 4, per_metre);
        append_chunk(out, "pHYs", physical, sizeof physical);
    }
}

// The filtered scanlines of the image. 1-bit rows within deflate's reach are given whole, for the row coder.
// Otherwise the first row of a band is unfiltered, runs of pixels of either colour, and the band's other rows
// are copies of it when deflate can copy a row whole (257 bytes at most, the filter byte included), which
// takes a symbol or two for all of them; a longer row is followed by Up filtered rows, all zero, and repeated.
class Scanlines {
public:
    Scanlines(std::uint32_t width, std::span<const Band> bands, const Format& format)
        : width_(width),
          bands_(bands),
          format_(format),
          row_bytes_(one_bit(format) ? (std::uint64_t{width} + 7) / 8 : std::uint64_t{4} * width) {}

    // A colour change costs a literal or four and a copy or two; a band's other rows a few symbols.
    std::size_t expected_tokens() const {
        std::size_t tokens = 16;
        for (const Band& band : bands_) tokens += 8 * band.dark.size() + 16;
        return tokens;
    }

    template <class Sink>
    void write(Sink& sink) const {
        if (one_bit(format_) && row_bytes_ + 1 <= deflate::max_distance) return write_rows(sink);
        for (const Band& band : bands_) {
            if (band.rows == 0) continue;
            const bool copied = band.rows > 1 && row_bytes_ + 1 <= deflate::max_match;
            if (copied) sink.begin_repeat(band.rows, row_bytes_ + 1);
            sink.run(filter_none, 1);
            if (one_bit(format_))
                wide_bit_row(band.dark, sink);
            else
                rgba_row(band.dark, sink);
            if (copied) sink.end_repeat();
            if (copied || band.rows == 1) continue;
            sink.begin_repeat(band.rows - 1, row_bytes_ + 1);
            sink.run(filter_up, 1);
            sink.run(0, row_bytes_);
            sink.end_repeat();
        }
    }

private:
    // 1-bit rows given whole, each band's row with the times it occurs, to be coded by what changed from the
    // row above.
    template <class Sink>
    void write_rows(Sink& sink) const {
        std::vector<std::uint8_t> row(row_bytes_ + 1);
        row[0] = filter_none;
        for (const Band& band : bands_) {
            if (band.rows == 0) continue;
            paint_row(band.dark, row.data() + 1);
            sink.row(row, band.rows);
        }
    }

    // One bit per pixel, the leftmost pixel in the highest bit: 0 for dark in greyscale, 1 in a palette. The
    // row is painted span by span over a light one; the bits that pad the last byte are 0.
    void paint_row(const std::vector<Span>& dark, std::uint8_t* bytes) const {
        const bool dark_bit = format_.pixels == Format::Pixels::Palette1;
        const auto paint = [dark_bit](std::uint8_t& byte, unsigned mask) {
            byte = static_cast<std::uint8_t>(dark_bit ? byte | mask : byte & ~mask);
        };
        std::memset(bytes, dark_bit ? 0x00 : 0xff, row_bytes_);
        for (const Span& span : dark) {
            const std::uint32_t first = span.begin / 8, last = (span.end - 1) / 8;
            const unsigned head = 0xffu >> (span.begin % 8), tail = 0xffu << (7 - (span.end - 1) % 8) & 0xff;
            if (first == last) {
                paint(bytes[first], head & tail);
                continue;
            }
            paint(bytes[first], head);
            std::memset(bytes + first + 1, dark_bit ? 0xff : 0x00, last - first - 1);
            paint(bytes[last], tail);
        }
        if (const unsigned pad = (8 - width_ % 8) % 8) bytes[row_bytes_ - 1] &= static_cast<std::uint8_t>(0xff << pad);
    }

    // A 1-bit row too long for deflate to copy from the row above (over 262,136 pixels): painted, then given
    // as the runs of equal bytes it holds.
    template <class Sink>
    void wide_bit_row(const std::vector<Span>& dark, Sink& sink) const {
        std::vector<std::uint8_t> bytes(row_bytes_);
        paint_row(dark, bytes.data());
        for (std::size_t at = 0; at < bytes.size();) {
            std::size_t end = at + 1;
            while (end < bytes.size() && bytes[end] == bytes[at]) ++end;
            sink.run(bytes[at], end - at);
            at = end;
        }
    }

    static std::uint32_t unit(const Rgba& colour) {
        return colour.r | std::uint32_t{colour.g} << 8 | std::uint32_t{colour.b} << 16 | std::uint32_t{colour.a} << 24;
    }

    template <class Sink>
    void rgba_row(const std::vector<Span>& dark, Sink& sink) const {
        const std::uint32_t light_unit = unit(format_.light);
        const std::uint32_t dark_unit = unit(format_.dark);
        std::uint32_t x = 0;
        for (const Span& span : dark) {
            sink.pattern(light_unit, span.begin - x);
            sink.pattern(dark_unit, span.end - span.begin);
            x = span.end;
        }
        sink.pattern(light_unit, width_ - x);
    }

    std::uint32_t width_;
    std::span<const Band> bands_;
    const Format& format_;
    std::uint64_t row_bytes_;  // a row without its filter byte
};

}  // namespace

void merge_spans(std::vector<Span>& spans) {
    const auto by_begin = [](const Span& a, const Span& b) { return a.begin < b.begin; };
    if (!std::is_sorted(spans.begin(), spans.end(), by_begin)) std::sort(spans.begin(), spans.end(), by_begin);
    std::size_t kept = 0;
    for (const Span& span : spans) {
        if (kept > 0 && span.begin <= spans[kept - 1].end) {
            spans[kept - 1].end = std::max(spans[kept - 1].end, span.end);
        } else {
            spans[kept++] = span;
        }
    }
    spans.resize(kept);
}

Result<PngBytes> encode_bands(std::uint32_t width, std::span<const Band> bands, const Format& format,
                              std::size_t idat_limit) {
    std::uint64_t height = 0;
    for (const Band& band : bands) height += band.rows;

    PngBytes out(signature, signature + sizeof signature);
    append_header_chunks(out, width, static_cast<std::uint32_t>(height), format);

    const std::size_t idat_start = out.size();
    out.insert(out.end(), {0, 0, 0, 0, 'I', 'D', 'A', 'T'});
    deflate::append_zlib(out, Scanlines(width, bands, format), format.smallest);

    const std::size_t data_size = out.size() - idat_start - 8;
    if (data_size <= idat_limit) {
        put_u32(out.data() + idat_start, static_cast<std::uint32_t>(data_size));
        append_u32(out, crc(out.data() + idat_start + 4, data_size + 4));
    } else {
        const PngBytes data(out.begin() + static_cast<std::ptrdiff_t>(idat_start + 8), out.end());
        out.resize(idat_start);
        for (std::size_t at = 0; at < data.size(); at += idat_limit) {
            append_chunk(out, "IDAT", data.data() + at, std::min(idat_limit, data.size() - at));
        }
    }
    append_chunk(out, "IEND", nullptr, 0);
    return out;
}

}  // namespace tavlo::png
