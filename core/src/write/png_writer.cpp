#include "png_writer.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "bit_row.hpp"
#include "chunk_crc.hpp"
#include "../deflate/zlib_stream.hpp"

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

std::uint32_t crc(const std::uint8_t* data, std::size_t size) { return chunk_crc(data, size); }

// The image end, a chunk of no data, is always the same 12 bytes: its length, type and the CRC of the type.
constexpr std::uint8_t end_chunk[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82};

// Its length, type, data and CRC at `at`; returns where it ends.
std::uint8_t* put_chunk(std::uint8_t* at, const char* type, const std::uint8_t* data, std::size_t size) {
    put_u32(at, static_cast<std::uint32_t>(size));
    std::memcpy(at + 4, type, 4);
    std::memcpy(at + 8, data, size);
    put_u32(at + 8 + size, crc(at + 4, size + 4));
    return at + 12 + size;
}

// The chunk written in place after one resize: a label's IHDR and pHYs took 800 instructions as four appends
// each, 600 so, their CRCs most of it.
void append_chunk(PngBytes& out, const char* type, const std::uint8_t* data, std::size_t size) {
    const std::size_t start = out.size();
    out.resize(start + 12 + size);
    put_chunk(out.data() + start, type, data, size);
}

bool one_bit(const Format& format) { return format.pixels != Format::Pixels::Rgba8; }

// The most the signature and the chunks before the image data take: IHDR, PLTE, tRNS and pHYs.
constexpr std::size_t header_room = 8 + (12 + 13) + (12 + 6) + (12 + 2) + (12 + 9) + 8;  // and IDAT's start
// Room for the compressed image data reserved with the header's, enough for a label's few hundred bytes: a
// larger image's data is given room of its own once its size is known.
constexpr std::size_t first_data_room = 1024;

// The signature, IHDR, then PLTE and tRNS of a palette, then pHYs when a resolution is given: gathered on the
// stack and appended at once, as a resize per chunk took a third of their instructions (about 200 of 520).
void append_header_chunks(PngBytes& out, std::uint32_t width, std::uint32_t height, const Format& format) {
    std::array<std::uint8_t, header_room> bytes;
    std::uint8_t* at = std::copy(signature, signature + sizeof signature, bytes.data());
    // Bit depth, colour type, then compression, filter and interlace methods, all 0.
    std::uint8_t header[13] = {0, 0, 0, 0, 0, 0, 0, 0, 8, 6, 0, 0, 0};
    put_u32(header, width);
    put_u32(header + 4, height);
    if (one_bit(format)) {
        header[8] = 1;
        header[9] = format.pixels == Format::Pixels::Gray1 ? 0 : 3;
    }
    at = put_chunk(at, "IHDR", header, sizeof header);
    if (format.pixels == Format::Pixels::Palette1) {
        const Rgba& l = format.light;
        const Rgba& d = format.dark;
        const std::uint8_t palette[6] = {l.r, l.g, l.b, d.r, d.g, d.b};
        at = put_chunk(at, "PLTE", palette, sizeof palette);
        if (l.a != 255 || d.a != 255) {
            const std::uint8_t alpha[2] = {l.a, d.a};
            at = put_chunk(at, "tRNS", alpha, sizeof alpha);
        }
    }
    if (format.dpi) {
        // Pixels per metre, nearest (an inch is exactly 0.0254 m), within the 2^31 - 1 a PNG number allows.
        const auto per_metre = static_cast<std::uint32_t>(
            std::min<std::uint64_t>((std::uint64_t{*format.dpi} * 10000 + 127) / 254, 0x7fffffff));
        std::uint8_t physical[9] = {0, 0, 0, 0, 0, 0, 0, 0, 1};  // unit 1: the metre
        put_u32(physical, per_metre);
        put_u32(physical + 4, per_metre);
        at = put_chunk(at, "pHYs", physical, sizeof physical);
    }
    out.insert(out.end(), bytes.data(), at);
}

// Gives a 1-bit scanline, `times` times in a row. A row within deflate's reach is given whole, to be coded by
// what changed from the row above; a longer one (over 262,136 pixels) as the runs of equal bytes it holds, and
// its repeats as Up filtered rows, all zero.
template <class Sink>
void give_bit_row(Sink& sink, std::span<const std::uint8_t> scanline, std::uint64_t times) {
    if (times == 0) return;
    if (scanline.size() <= deflate::max_distance) return sink.row(scanline, times);
    for (std::size_t at = 0; at < scanline.size();) {
        std::size_t end = at + 1;
        while (end < scanline.size() && scanline[end] == scanline[at]) ++end;
        sink.run(scanline[at], end - at);
        at = end;
    }
    if (times == 1) return;
    sink.begin_repeat(times - 1, scanline.size());
    sink.run(filter_up, 1);
    sink.run(0, scanline.size() - 1);
    sink.end_repeat();
}

// The filtered scanlines of an image described by bands. A 1-bit band's row is painted and given with the times
// it occurs. Otherwise the first row of a band is unfiltered, runs of pixels of either colour, and the band's
// other rows are copies of it when deflate can copy a row whole (257 bytes at most, the filter byte included),
// which takes a symbol or two for all of them; a longer row is followed by Up filtered rows, all zero, and
// repeated.
class Scanlines {
public:
    Scanlines(std::uint32_t width, std::span<const Band> bands, const Format& format)
        : width_(width),
          bands_(bands),
          format_(format),
          row_bytes_(one_bit(format) ? bit_row_bytes(width) : std::uint64_t{4} * width) {}

    // A colour change costs a literal or four and a copy or two; a band's other rows a few symbols.
    std::size_t expected_tokens() const {
        std::size_t tokens = 16;
        for (const Band& band : bands_) tokens += 8 * band.dark.size() + 16;
        return tokens;
    }

    template <class Sink>
    void write(Sink& sink) const {
        if (one_bit(format_)) return write_bit_rows(sink);
        for (const Band& band : bands_) {
            if (band.rows == 0) continue;
            const bool copied = band.rows > 1 && row_bytes_ + 1 <= deflate::max_match;
            if (copied) sink.begin_repeat(band.rows, row_bytes_ + 1);
            sink.run(filter_none, 1);
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
    template <class Sink>
    void write_bit_rows(Sink& sink) const {
        std::vector<std::uint8_t> row(row_bytes_ + 1);
        row[0] = filter_none;
        for (const Band& band : bands_) {
            if (band.rows == 0) continue;
            paint_row(band.dark, width_, dark_bit(format_), row.data() + 1);
            give_bit_row(sink, row, band.rows);
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

// The scanlines of a 1-bit image that its caller paints.
class PaintedRows {
public:
    PaintedRows(std::uint32_t height, const std::function<void(RowSink&)>& paint) : height_(height), paint_(paint) {}

    // A row that changed from the one above costs a dozen symbols or so.
    std::size_t expected_tokens() const { return 16 + 16 * std::size_t{std::min<std::uint32_t>(height_, 4096)}; }

    template <class Sink>
    void write(Sink& sink) const {
        struct Forward final : RowSink {
            explicit Forward(Sink& sink) : sink(sink) {}
            void row(std::span<const std::uint8_t> scanline, std::uint64_t times) override {
                give_bit_row(sink, scanline, times);
            }
            Sink& sink;
        } forward(sink);
        paint_(forward);
    }

private:
    std::uint32_t height_;
    const std::function<void(RowSink&)>& paint_;
};

// The PNG of `height` rows whose filtered scanlines `source` describes.
template <class Source>
Result<PngBytes> encode(std::uint32_t width, std::uint32_t height, const Format& format, const Source& source,
                        std::size_t idat_limit) {
    PngBytes out;
    out.reserve(header_room + first_data_room);
    append_header_chunks(out, width, height, format);

    const std::size_t idat_start = out.size();
    out.insert(out.end(), {0, 0, 0, 0, 'I', 'D', 'A', 'T'});
    deflate::append_zlib(out, source, format.smallest, 4 + sizeof end_chunk);  // the data's CRC, the end

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
    out.insert(out.end(), end_chunk, end_chunk + sizeof end_chunk);
    return out;
}

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
    return encode(width, static_cast<std::uint32_t>(height), format, Scanlines(width, bands, format), idat_limit);
}

Result<PngBytes> encode_painted(std::uint32_t width, std::uint32_t height, const Format& format,
                                const std::function<void(RowSink&)>& paint, std::size_t idat_limit) {
    TAVLO_ASSERT(one_bit(format));
    return encode(width, height, format, PaintedRows(height, paint), idat_limit);
}

}  // namespace tavlo::png
