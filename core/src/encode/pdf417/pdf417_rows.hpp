// What PDF417 and MicroPDF417 share beyond compaction: ECI codewords, and writing a symbol row's modules.
#pragma once

#include <array>
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

// The 8 modules of each byte of a pattern, most significant bit first: a codeword's 17 modules are written
// as two copies of 8 and one module.
inline constexpr std::array<std::array<std::uint8_t, 8>, 256> byte_modules = [] {
    std::array<std::array<std::uint8_t, 8>, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte)
        for (unsigned k = 0; k < 8; ++k) table[byte][k] = std::uint8_t((byte >> (7 - k)) & 1);
    return table;
}();

// Writes modules left to right into one row of a module array.
class RowWriter {
public:
    explicit RowWriter(std::uint8_t* row) : out_(row) {}

    // The `count` low bits of `bits`, most significant first, 1 dark.
    void put(std::uint32_t bits, unsigned count) {
        for (; count >= 8; count -= 8, out_ += 8) std::memcpy(out_, byte_modules[(bits >> (count - 8)) & 0xFF].data(), 8);
        while (count-- > 0) *out_++ = std::uint8_t((bits >> count) & 1);
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
