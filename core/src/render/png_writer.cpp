#include "png_writer.hpp"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace tavlo::png {

namespace {

constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::uint8_t filter_none = 0;
constexpr std::uint8_t filter_sub = 1;
constexpr std::uint8_t filter_up = 2;

// A run of identical units (rows, or zero bytes within a row) is compressed for as far back as deflate may
// refer and then for one block more; the block's compressed bytes are then copied for the rest of the run.
// Each copy follows the same bytes as the block did, so it decodes the same. A copy adds a block header and a
// flush marker, about 25 bytes: the block is a 64th of the run, so that these add up to little, but no more
// than 4 MiB, which bounds the compressing work per run. A block of rows is at least 16 KiB, where copying
// already saves time on a label-sized image. A block of zeros is at least 1 MiB, where the copies cost under
// 3 % more output: such runs only occur in rows of millions of pixels, and a copied block of rows holds them.
constexpr std::uint64_t max_copies = 64;
constexpr std::uint64_t max_block_bytes = 4 << 20;
constexpr std::uint64_t min_row_block_bytes = 16 << 10;
constexpr std::uint64_t min_zero_block_bytes = 1 << 20;
constexpr std::uint64_t min_shared_run_bytes = 4 << 10;
constexpr std::size_t staging_bytes = 16 * 1024;

// How the image data is deflated. Rows of 1 KiB or more are mostly long runs of one byte, which run-length
// matching finds fastest; it only ever refers one byte back. Narrower rows compress better by matching the
// row above, which a 2 KiB window reaches. A 16 KiB window still slides rarely enough not to cost time, and
// with the tables of memory level 5 and the staging buffer all a call allocates stays under the 128 KiB at
// which the C library hands memory back to the system: a small image then costs no fresh pages.
struct Compression {
    int strategy;
    int window_bits;
    std::uint64_t reach;  // the furthest back a match may refer
};

Compression compression_for(std::uint64_t row_bytes) {
    if (row_bytes >= 1024) return {Z_RLE, 14, 1};
    return {Z_DEFAULT_STRATEGY, 11, 1u << 11};
}
constexpr int memory_level = 5;
constexpr int level = 6;

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

void append_chunk(PngBytes& out, const char* type, const std::uint8_t* data, std::size_t size) {
    append_u32(out, static_cast<std::uint32_t>(size));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    append_u32(out, static_cast<std::uint32_t>(crc32_z(0, out.data() + start, size + 4)));
}

std::uint64_t ceil_div(std::uint64_t a, std::uint64_t b) { return (a + b - 1) / b; }

// The Adler-32 (RFC 1950) of the image data, kept from what the data is rather than from the bytes handed to
// deflate: a run of zeros, nearly all of the data, is one step, and a repeated stretch a few.
class Adler {
public:
    void bytes(std::span<const std::uint8_t> data) {
        set(adler32_z(value(), data.data(), data.size()));
    }
    void bytes(std::initializer_list<std::uint8_t> data) {
        for (std::uint8_t byte : data) {
            a_ = (a_ + byte) % modulus;
            b_ = (b_ + a_) % modulus;
        }
    }
    void zeros(std::uint64_t count) { b_ = static_cast<std::uint32_t>((b_ + count % modulus * a_) % modulus); }

    // `count` copies of `unit_bytes` bytes whose Adler-32 is `unit`.
    void repeat(const Adler& unit, std::uint64_t unit_bytes, std::uint64_t count) {
        uLong copies = 1;  // Adler-32 of nothing
        uLong power = unit.value();
        for (std::uint64_t n = count, bytes = unit_bytes;;) {
            if (n & 1) copies = adler32_combine(copies, power, static_cast<z_off_t>(bytes));
            n >>= 1;
            if (n == 0) break;
            power = adler32_combine(power, power, static_cast<z_off_t>(bytes));
            bytes *= 2;
        }
        set(adler32_combine(value(), copies, static_cast<z_off_t>(unit_bytes * count)));
    }

    std::uint32_t value() const { return b_ << 16 | a_; }

private:
    static constexpr std::uint32_t modulus = 65521;
    void set(uLong value) {
        a_ = static_cast<std::uint32_t>(value & 0xffff);
        b_ = static_cast<std::uint32_t>(value >> 16);
    }
    std::uint32_t a_ = 1;
    std::uint32_t b_ = 0;
};

// A raw deflate stream appended to `out`.
class Deflater {
public:
    Deflater(PngBytes& out, Compression compression) : out_(out), used_(out.size()), reach_(compression.reach) {
        status_ = deflateInit2(&stream_, level, Z_DEFLATED, -compression.window_bits, memory_level,
                               compression.strategy);
    }
    ~Deflater() { deflateEnd(&stream_); }  // also safe after a failed initialisation
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // zlib's status: Z_OK, or the first failure.
    int status() const { return status_; }
    std::uint64_t reach() const { return reach_; }

    void write(const std::uint8_t* data, std::size_t size) {
        stream_.next_in = const_cast<Bytef*>(data);
        stream_.avail_in = static_cast<uInt>(size);
        run(Z_NO_FLUSH);
    }

    // Completes the output up to a byte boundary and returns the stream's length there.
    std::size_t mark() {
        run(Z_SYNC_FLUSH);
        return used_;
    }

    // Appends `times` copies of the stream bytes [from, to). Both ends must be marks, and the data before each
    // copy must end in the same `reach()` bytes as the data before `from`.
    void repeat(std::size_t from, std::size_t to, std::uint64_t times) {
        const std::size_t size = to - from;
        reserve(size * times);
        for (std::uint64_t i = 0; i < times; ++i, used_ += size) {
            std::memcpy(out_.data() + used_, out_.data() + from, size);
        }
    }

    void finish() {
        run(Z_FINISH);
        out_.resize(used_);
    }

private:
    void reserve(std::size_t more) {
        if (out_.size() - used_ < more) out_.resize(std::max(used_ + more, out_.size() * 2));
    }

    void run(int flush) {
        if (status_ != Z_OK) return;
        do {
            reserve(16 * 1024);
            stream_.next_out = out_.data() + used_;
            stream_.avail_out = static_cast<uInt>(std::min<std::size_t>(out_.size() - used_, 1u << 30));
            const int result = deflate(&stream_, flush);
            used_ = static_cast<std::size_t>(stream_.next_out - out_.data());
            // Z_BUF_ERROR only says that a flush found nothing new to flush.
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
                status_ = result;
                return;
            }
        } while (stream_.avail_out == 0);
    }

    PngBytes& out_;
    std::size_t used_;
    std::uint64_t reach_;
    z_stream stream_{};
    int status_;
};

bool one_bit(const Format& format) { return format.pixels != Format::Pixels::Rgba8; }

// The bytes of a row without its filter byte.
std::uint64_t row_bytes(std::uint32_t width, const Format& format) {
    return one_bit(format) ? (std::uint64_t{width} + 7) / 8 : std::uint64_t{4} * width;
}

// The filtered scanlines of the image, written through a staging buffer. The first row of a band is Sub
// filtered in RGBA, so only its pixel 0 and its colour changes are not zero, and unfiltered in 1-bit formats;
// the band's other rows are Up filtered and all zero. Long runs of zero bytes and of identical rows are
// compressed once and then copied.
class Scanlines {
public:
    Scanlines(Deflater& deflater, std::uint32_t width, const Format& format)
        : deflater_(deflater), width_(width), format_(format), pixel_bytes_(row_bytes(width, format)),
          stage_(staging_bytes) {
        up_row_.bytes({filter_up});
        up_row_.zeros(pixel_bytes_);
    }

    void bands(std::span<const Band> bands) {
        const auto height_recurs = [&](const Band& band) {
            return std::count_if(bands.begin(), bands.end(), [&](const Band& b) { return b.rows == band.rows; }) > 1;
        };
        for (const Band& band : bands) {
            if (one_bit(format_)) bit_row(band.dark);
            else sub_row(band.dark);
            const std::uint64_t rest = band.rows - 1;
            if (deflater_.reach() == 1 && shares_up_rows() && rest * (pixel_bytes_ + 1) >= min_shared_run_bytes && height_recurs(band)) {
                shared_up_rows(rest);
            } else {
                up_rows(rest);
            }
            adler_.repeat(up_row_, pixel_bytes_ + 1, rest);
        }
        flush();
    }

    std::uint32_t adler() const { return adler_.value(); }

private:
    void flush() {
        if (fill_ == 0) return;
        deflater_.write(stage_.data(), fill_);
        fill_ = 0;
    }

    void up_rows(std::uint64_t count) {
        write_repeated(count, pixel_bytes_ + 1, min_row_block_bytes, [this](std::uint64_t rows) {
            for (; rows != 0; --rows) {
                stage({filter_up});
                write_zeros(pixel_bytes_);
            }
        });
    }

    // Run-length matching looks one byte back, here to the last byte of a band's first row: in RGBA the alpha
    // of its last pixel less that of the pixel before, 0 in every band when both colours have the same alpha
    // (a 1-bit row ends in pixels of either colour). So the up rows of a band, compressed once,
    // are copied for every later band of as many rows; a run of a few KiB is worth the flushes around it.
    void shared_up_rows(std::uint64_t count) {
        flush();
        const std::size_t from = deflater_.mark();
        for (const SharedRun& run : shared_runs_) {
            if (run.rows == count) return deflater_.repeat(run.from, run.to, 1);
        }
        up_rows(count);
        flush();
        shared_runs_.push_back({count, from, deflater_.mark()});
    }

    bool shares_up_rows() const { return !one_bit(format_) && format_.light.a == format_.dark.a; }

    // Sub filter: each byte less the byte one pixel to its left. That leaves 0 within a run, dark less light
    // where the dark colour starts and light less dark where the light colour starts again.
    void sub_row(const std::vector<Span>& dark) {
        const Rgba& l = format_.light;
        const Rgba& d = format_.dark;
        const auto less = [](std::uint8_t x, std::uint8_t y) { return static_cast<std::uint8_t>(x - y); };
        put({filter_sub});
        if (!dark.empty() && dark.front().begin == 0) put({d.r, d.g, d.b, d.a});
        else put({l.r, l.g, l.b, l.a});
        std::uint32_t next = 1;  // the first pixel not yet written
        for (const Span& span : dark) {
            if (span.begin > 0) {
                zeros(std::uint64_t{4} * (span.begin - next));
                put({less(d.r, l.r), less(d.g, l.g), less(d.b, l.b), less(d.a, l.a)});
                next = span.begin + 1;
            }
            if (span.end < width_) {
                zeros(std::uint64_t{4} * (span.end - next));
                put({less(l.r, d.r), less(l.g, d.g), less(l.b, d.b), less(l.a, d.a)});
                next = span.end + 1;
            }
        }
        zeros(std::uint64_t{4} * (width_ - next));
    }

    // One bit per pixel, the leftmost pixel in the highest bit: 0 for dark in greyscale, 1 in a palette.
    void bit_row(const std::vector<Span>& dark) {
        const bool dark_bit = format_.pixels == Format::Pixels::Palette1;
        std::vector<std::uint8_t> row(static_cast<std::size_t>(pixel_bytes_) + 1, dark_bit ? 0x00 : 0xff);
        row[0] = filter_none;
        for (const Span& span : dark) {
            for (std::uint32_t x = span.begin; x < span.end; ++x) {
                const auto bit = static_cast<std::uint8_t>(0x80u >> (x % 8));
                std::uint8_t& byte = row[1 + x / 8];
                byte = dark_bit ? byte | bit : byte & ~bit;
            }
        }
        if (width_ % 8 != 0) row.back() &= static_cast<std::uint8_t>(0xff00u >> (width_ % 8));  // padding bits 0
        adler_.bytes(row);
        for (std::size_t at = 0; at < row.size(); at += staging_bytes) {
            flush();
            const std::size_t take = std::min(staging_bytes, row.size() - at);
            std::memcpy(stage_.data(), row.data() + at, take);
            fill_ = take;
        }
    }

    void put(std::initializer_list<std::uint8_t> bytes) {
        adler_.bytes(bytes);
        stage(bytes);
    }

    void zeros(std::uint64_t count) {
        adler_.zeros(count);
        write_zeros(count);
    }

    void stage(std::initializer_list<std::uint8_t> bytes) {
        if (stage_.size() - fill_ < bytes.size()) flush();
        std::memcpy(stage_.data() + fill_, bytes.begin(), bytes.size());
        fill_ += bytes.size();
    }

    void write_zeros(std::uint64_t count) {
        write_repeated(count, 1, min_zero_block_bytes, [this](std::uint64_t n) {
            while (n != 0) {
                if (fill_ == stage_.size()) flush();
                const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(n, stage_.size() - fill_));
                std::memset(stage_.data() + fill_, 0, take);
                fill_ += take;
                n -= take;
            }
        });
    }

    // `count` identical units of `unit_bytes` bytes each, `emit(n)` writing n of them. A long run is written
    // as enough units to cover the compressor's reach, then one block of units whose compressed bytes are
    // copied as often as they fit, then the rest. Every piece holds whole units, so the data before the block
    // and before each of its copies ends in the same bytes.
    template <class Emit>
    void write_repeated(std::uint64_t count, std::uint64_t unit_bytes, std::uint64_t min_block_bytes, Emit emit) {
        const std::uint64_t prime = ceil_div(deflater_.reach(), unit_bytes);
        const std::uint64_t block_bytes =
            std::clamp(count * unit_bytes / max_copies, min_block_bytes, max_block_bytes);
        const std::uint64_t block = ceil_div(block_bytes, unit_bytes);
        if (count < prime + 2 * block) {
            emit(count);
            return;
        }
        emit(prime);
        flush();
        const std::size_t from = deflater_.mark();
        emit(block);
        flush();
        const std::size_t to = deflater_.mark();
        const std::uint64_t copies = (count - prime - block) / block;
        deflater_.repeat(from, to, copies);
        emit(count - prime - block - copies * block);
    }

    Deflater& deflater_;
    std::uint32_t width_;
    const Format& format_;
    std::uint64_t pixel_bytes_;  // a row without its filter byte
    Adler up_row_;
    Adler adler_;
    std::vector<std::uint8_t> stage_;
    std::size_t fill_ = 0;
    struct SharedRun {
        std::uint64_t rows;
        std::size_t from;
        std::size_t to;
    };
    std::vector<SharedRun> shared_runs_;
};

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
    out.insert(out.end(), {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x78, 0x01});  // zlib header: deflate, 32 KiB window
    {
        Deflater deflater(out, compression_for(row_bytes(width, format) + 1));
        Scanlines scanlines(deflater, width, format);
        scanlines.bands(bands);
        deflater.finish();
        if (deflater.status() != Z_OK) return std::unexpected(TavloError::render(zError(deflater.status())));
        append_u32(out, scanlines.adler());
    }

    const std::size_t data_size = out.size() - idat_start - 8;
    if (data_size <= idat_limit) {
        put_u32(out.data() + idat_start, static_cast<std::uint32_t>(data_size));
        append_u32(out, static_cast<std::uint32_t>(crc32_z(0, out.data() + idat_start + 4, data_size + 4)));
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
