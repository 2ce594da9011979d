// PDF417 (ISO/IEC 15438) and MicroPDF417 (ISO/IEC 24728): bytes in, the symbol's modules out. Each symbol row
// is repeated `row_height` times in the geometry, so that it is drawn as any matrix symbol is.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo {

// Highest values the options take.
inline constexpr std::uint32_t pdf417_max_error_correction = 8;
inline constexpr std::uint32_t pdf417_max_columns = 30;
inline constexpr std::uint32_t pdf417_min_rows = 3;
inline constexpr std::uint32_t pdf417_max_rows = 90;
inline constexpr std::uint32_t pdf417_max_eci = 811799;
inline constexpr std::uint32_t pdf417_max_segment_index = 99998;
inline constexpr std::uint32_t micro_pdf417_max_columns = 4;

struct Pdf417Options {
    // Level 0 to 8 (2^(level + 1) check codewords); none: the least the standard recommends for the data
    // (2 up to 40 data codewords, 3 up to 160, 4 up to 320, 5 beyond), lowered where the symbol would not fit.
    std::optional<std::uint32_t> error_correction;
    std::optional<std::uint32_t> columns;  // data columns, 1 to 30
    std::optional<std::uint32_t> rows;     // 3 to 90; with neither, the columns follow the data's size
    bool compact = false;                  // truncated PDF417: no right row indicator, a one-module stop
    std::optional<std::uint32_t> eci;      // ECI assignment number, 0 to 811799, given before the data
    // Macro PDF417: the symbol is segment `segment_index` (0 to 99998) of a file named by `file_id` (digits, in
    // groups of three, each 000 to 899; empty: "000"); `last_segment` marks the file's last symbol.
    std::optional<std::uint32_t> segment_index;
    std::string file_id;
    bool last_segment = false;
    std::uint32_t row_height = 3;  // modules per symbol row, at least 1
};

struct MicroPdf417Options {
    std::optional<std::uint32_t> columns;  // 1 to 4; none: the smallest symbol the data fits
    std::optional<std::uint32_t> eci;
    std::uint32_t row_height = 2;
};

Result<MatrixGeometry> encode_pdf417(std::span<const std::uint8_t> data, const Pdf417Options& options);
Result<MatrixGeometry> encode_micro_pdf417(std::span<const std::uint8_t> data, const MicroPdf417Options& options);

}  // namespace tavlo
