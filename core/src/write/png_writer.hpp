// The PNG file of a two-colour image: a light colour with dark column spans, made of bands of identical rows.
// Each band's pixels are described once, so the cost follows the number of distinct rows and the size of the
// compressed output rather than the pixel count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "tavlo/error.hpp"
#include "tavlo/render.hpp"

namespace tavlo::png {

// Dark columns [begin, end) of a row.
struct Span {
    std::uint32_t begin;
    std::uint32_t end;

    friend bool operator==(const Span&, const Span&) = default;
};

// `rows` identical pixel rows whose dark columns are `dark`: sorted, non-empty, neither overlapping nor
// touching, all within the image width.
struct Band {
    std::uint32_t rows;
    std::vector<Span> dark;
};

struct Rgba {
    std::uint8_t r, g, b, a;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

// How the two colours are stored.
struct Format {
    enum class Pixels {
        Rgba8,     // 8-bit RGBA (colour type 6): the light and dark colours as they are
        Gray1,     // 1-bit greyscale (colour type 0): dark is black (bit 0), light is white (bit 1)
        Palette1,  // 1-bit palette (colour type 3): PLTE entry 0 light, entry 1 dark, tRNS when either has alpha
    };
    Pixels pixels = Pixels::Rgba8;
    Rgba light{255, 255, 255, 255};
    Rgba dark{0, 0, 0, 255};
    std::optional<std::uint32_t> dpi;  // written as a pHYs chunk in pixels per metre when set
    bool smallest = false;             // search for the smallest stream, taking many times longer
};

// The largest IDAT payload a PNG chunk may carry.
inline constexpr std::size_t max_idat_bytes = 2147483647;

// A PNG (its header, [palette], [transparency], [physical size], image data..., end chunks) of `width` columns and the bands from top to
// bottom. Rows are at most 2^31 - 2 bytes, the image at most 2^31 - 1 rows. `idat_limit` splits the image
// data into chunks no larger than it.
Result<PngBytes> encode_bands(std::uint32_t width, std::span<const Band> bands, const Format& format = {},
                              std::size_t idat_limit = max_idat_bytes);

// Whether a 1-bit image in this format stores a dark pixel as 1 (a palette) or as 0 (greyscale black).
inline bool dark_bit(const Format& format) { return format.pixels == Format::Pixels::Palette1; }

// Takes the rows of a 1-bit image from the top, each as a scanline: the filter byte 0, then the row packed one
// bit per pixel, leftmost in the highest bit, the bits that pad the last byte 0.
class RowSink {
public:
    // `scanline` occurs `times` times in a row.
    virtual void row(std::span<const std::uint8_t> scanline, std::uint64_t times) = 0;

protected:
    ~RowSink() = default;
};

// A PNG of a 1-bit image (`format` not Rgba8) whose rows `paint` gives to the sink it is handed, `height` in
// all. `paint` may be called twice and must give the same rows each time.
Result<PngBytes> encode_painted(std::uint32_t width, std::uint32_t height, const Format& format,
                                const std::function<void(RowSink&)>& paint, std::size_t idat_limit = max_idat_bytes);

// Sorts spans and merges the overlapping or touching ones, as painting them one after another would.
void merge_spans(std::vector<Span>& spans);

}  // namespace tavlo::png
