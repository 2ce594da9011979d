// The pieces of a ZPL graphic field (^GF): a label's 1-bit rows cut into fields the command's counts can hold,
// and their data in the two compressed forms printers take.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavlo::label::zpl {

// Rows of one bit per dot, 1 printing (dark), leftmost dot in the highest bit, each stored once with the times
// it occurs in a row.
struct RowRun {
    const std::uint8_t* row;  // row_bytes bytes
    std::uint64_t times;      // at least 1
};

// ZPL's alternative compression of ASCII hexadecimal data, row after row: a digit repeated takes a count
// before it (G-Y 1 to 19, g-z 20 to 400, summed), "," ends a row of 0 digits, "!" one of F digits and ":"
// repeats the row before. A field's first row is never ":" (it would read as the start of :Z64:).
void append_hex_rows(std::string& out, std::span<const RowRun> rows, std::size_t row_bytes);

// The Z64 form ":Z64:<base64 of the zlib stream of the rows>:<CRC>", the CRC the CRC-16 of the base64 text
// (polynomial 0x1021, initial value 0, as XMODEM), four upper-case hexadecimal digits.
void append_z64_rows(std::string& out, std::span<const RowRun> rows, std::size_t row_bytes);

}  // namespace tavlo::label::zpl
