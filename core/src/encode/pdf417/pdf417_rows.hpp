// What PDF417 and MicroPDF417 share beyond compaction: ECI codewords, and writing a symbol row's modules.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "tavlo/geometry.hpp"

namespace tavlo::pdf417 {

// ECI codewords (ISO/IEC 15438 table of ECI codewords): 927 and the number up to 899, 926 and two codewords up
// to 810899, 925 and one beyond. eci <= 811799.
inline void append_eci(std::uint32_t eci, std::vector<std::uint16_t>& out) {
    constexpr std::uint32_t base = 900, two_codeword_end = 810900;
    if (eci < base) {
        out.insert(out.end(), {927, std::uint16_t(eci)});
    } else if (eci < two_codeword_end) {
        out.insert(out.end(), {926, std::uint16_t(eci / base - 1), std::uint16_t(eci % base)});
    } else {
        out.insert(out.end(), {925, std::uint16_t(eci - two_codeword_end)});
    }
}

// Writes modules left to right into one row of a module array.
class RowWriter {
public:
    explicit RowWriter(std::uint8_t* row) : out_(row) {}

    // The `count` low bits of `bits`, most significant first, 1 dark.
    void put(std::uint32_t bits, unsigned count) {
        for (unsigned k = count; k-- > 0;) *out_++ = std::uint8_t((bits >> k) & 1);
    }
    std::uint8_t* position() const { return out_; }

private:
    std::uint8_t* out_;
};

// A geometry of `rows` symbol rows, `row_height` module rows each; the caller writes each symbol row's first
// module row, then `repeat_rows` copies it down.
inline MatrixGeometry empty_symbol(std::uint32_t width, std::uint32_t rows, std::uint32_t row_height) {
    MatrixGeometry geometry;
    geometry.width = width;
    geometry.height = rows * row_height;
    geometry.modules.resize(std::size_t(geometry.width) * geometry.height);
    return geometry;
}

inline std::uint8_t* symbol_row(MatrixGeometry& geometry, std::uint32_t row, std::uint32_t row_height) {
    return geometry.modules.data() + std::size_t(row) * row_height * geometry.width;
}

inline void repeat_rows(MatrixGeometry& geometry, std::uint32_t row_height) {
    const std::size_t width = geometry.width;
    for (std::uint32_t top = 0; top < geometry.height; top += row_height) {
        const std::uint8_t* first = geometry.modules.data() + top * width;
        for (std::uint32_t k = 1; k < row_height; ++k) std::memcpy(geometry.modules.data() + (top + k) * width, first, width);
    }
}

}  // namespace tavlo::pdf417
