#include "datamatrix_schemes.hpp"

namespace tavlo::datamatrix {

int c40_values(std::uint8_t b, bool text, std::uint8_t* out) {
    int count = 0;
    if (b >= 128) {
        out[count++] = 1;
        out[count++] = 30;
        b = std::uint8_t(b - 128);
    }
    const bool basic_upper = b >= 'A' && b <= 'Z';
    const bool basic_lower = b >= 'a' && b <= 'z';
    if (b == ' ') {
        out[count++] = 3;
    } else if (is_digit(b)) {
        out[count++] = std::uint8_t(b - '0' + 4);
    } else if (text ? basic_lower : basic_upper) {
        out[count++] = std::uint8_t(b - (text ? 'a' : 'A') + 14);
    } else if (b < 32) {
        out[count++] = 0;
        out[count++] = b;
    } else if (b <= 47) {
        out[count++] = 1;
        out[count++] = std::uint8_t(b - 33);
    } else if (b <= 64) {
        out[count++] = 1;
        out[count++] = std::uint8_t(b - 43);
    } else if (b >= 91 && b <= 95) {
        out[count++] = 1;
        out[count++] = std::uint8_t(b - 69);
    } else {
        // Shift 3: '`', the other case's letters, '{' to DEL.
        out[count++] = 2;
        out[count++] = std::uint8_t(b == 96 ? 0 : (basic_upper || basic_lower) ? b - (text ? 'A' : 'a') + 1 : b - 96);
    }
    return count;
}

int ascii_cost(std::span<const std::uint8_t> data, std::size_t i) {
    int cost = 0;
    while (i < data.size()) {
        if (i + 1 < data.size() && is_digit(data[i]) && is_digit(data[i + 1])) {
            i += 2;
            cost += 1;
        } else {
            cost += data[i] >= 128 ? 2 : 1;
            i += 1;
        }
    }
    return cost;
}

void append_ascii(std::span<const std::uint8_t> data, std::size_t i, std::size_t end, std::vector<std::uint8_t>& out) {
    while (i < end) {
        const std::uint8_t b = data[i];
        if (i + 1 < end && is_digit(b) && is_digit(data[i + 1])) {
            out.push_back(std::uint8_t(digit_pair_base + (b - '0') * 10 + (data[i + 1] - '0')));
            i += 2;
            continue;
        }
        if (b >= 128) {
            out.push_back(upper_shift);
            out.push_back(std::uint8_t(b - 127));
        } else {
            out.push_back(std::uint8_t(b + 1));
        }
        i += 1;
    }
}

}  // namespace tavlo::datamatrix
