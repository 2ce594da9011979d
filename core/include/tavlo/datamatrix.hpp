// Data Matrix ECC 200 with the choices the package offers: the sizes to pick from, an ECI and structured
// append. (encode.hpp's encode_datamatrix, which picks from every size, stays as the module has it.)
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "tavlo/encode.hpp"

namespace tavlo {

// One symbol of several that carry one message (ISO/IEC 16022 5.6): symbol `index` of `count`.
struct DataMatrixStructuredAppend {
    std::uint32_t index;    // from 1 to count
    std::uint32_t count;    // from 2 to 16
    std::uint32_t file_id;  // from 0 to 64515, the same in every symbol of the message
};

// One ECC 200 size, rows by columns ("32x32", "8x18").
struct DataMatrixSize {
    std::uint32_t rows, columns;
};

struct DataMatrixOptions {
    // Square: the 24 square sizes; Rectangular: the six rectangles of ISO/IEC 16022 (8x18 to 16x48); Any: both.
    DataMatrixShape shape = DataMatrixShape::Square;
    bool dmre = false;  // the rectangles of ISO/IEC 21471 (DMRE) as well; needs rectangles in the shape
    std::optional<DataMatrixSize> size;  // this size only: the shape and dmre must allow it
    bool gs1 = false;                    // FNC1 first: a GS1 element string
    std::optional<std::uint32_t> eci;    // from 0 to 999999: an ECI designator before the data
    std::optional<DataMatrixStructuredAppend> structured_append;
};

// The smallest symbol of the allowed sizes (in order of capacity) that holds `data`; refusals name the option.
Result<MatrixGeometry> encode_datamatrix(std::span<const std::uint8_t> data, const DataMatrixOptions& options);

// "32x32" as a size of ECC 200, or a sentence saying why not.
Result<DataMatrixSize> parse_datamatrix_size(std::string_view text);

}  // namespace tavlo
