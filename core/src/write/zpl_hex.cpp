// ZPL II Programming Guide, "Alternative Data Compression Scheme for ~DG and ~DB Commands": the same scheme
// applies to ^GF data in ASCII hexadecimal.
#include <algorithm>

#include "zpl_fields.hpp"

namespace tavlo::label::zpl {
namespace {

constexpr char hex_digits[] = "0123456789ABCDEF";
// One count letter stands for at most this many digits ('z'); longer runs take a letter and the digit again.
constexpr std::size_t longest_count = 400;
constexpr std::size_t twenties = 20;  // g = 20, h = 40, ... z = 400
// Two digits written out take no more room than a count letter and the digit.
constexpr std::size_t shortest_counted = 3;

void append_run(std::string& out, char digit, std::size_t count) {
    for (; count >= longest_count; count -= longest_count) {
        out += 'z';
        out += digit;
    }
    if (count < shortest_counted) {
        out.append(count, digit);
        return;
    }
    if (count >= twenties) out += static_cast<char>('f' + count / twenties);
    if (count % twenties != 0) out += static_cast<char>('F' + count % twenties);
    out += digit;
}

void append_row(std::string& out, const std::uint8_t* row, std::size_t row_bytes, std::string& digits) {
    digits.clear();
    for (std::size_t i = 0; i < row_bytes; ++i) {
        digits += hex_digits[row[i] >> 4];
        digits += hex_digits[row[i] & 15];
    }
    // A run of 0 or F digits to the end of the row is one character.
    std::size_t end = digits.size();
    const char last = digits.back();
    char fill = 0;
    if (last == '0' || last == 'F') {
        std::size_t begin = end;
        while (begin > 0 && digits[begin - 1] == last) --begin;
        if (end - begin >= 2) {
            fill = last == '0' ? ',' : '!';
            end = begin;
        }
    }
    for (std::size_t at = 0; at < end;) {
        std::size_t run = at + 1;
        while (run < end && digits[run] == digits[at]) ++run;
        append_run(out, digits[at], run - at);
        at = run;
    }
    if (fill) out += fill;
}

}  // namespace

void append_hex_rows(std::string& out, std::span<const RowRun> rows, std::size_t row_bytes) {
    std::string digits;
    for (const RowRun& run : rows) {
        append_row(out, run.row, row_bytes, digits);
        out.append(run.times - 1, ':');
    }
}

}  // namespace tavlo::label::zpl
