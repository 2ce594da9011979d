#include "datamatrix_schemes.hpp"

#include <algorithm>

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

void Emitter::latch(State to) {
    static constexpr std::array<std::uint8_t, state_count> latches{
        0, latch_c40, 0, 0, latch_text, 0, 0, latch_x12, 0, 0, latch_edifact, 0, 0, 0, 0, 0};
    out_.push_back(latches[to]);
    values_count_ = 0;
}

void Emitter::unlatch_to_ascii(State from) {
    if (from >= E0 && from <= E3) {
        values_[values_count_++] = edifact_unlatch;
        flush_edifact(true);
    } else if (from != B1 && from != B2) {
        out_.push_back(unlatch);
    }
}

void Emitter::character(std::size_t i, State mode) {
    const std::uint8_t b = data_[i];
    switch (base_state(mode)) {
    case C0:
    case T0:
        values_count_ += c40_values(b, base_state(mode) == T0, values_.data() + values_count_);
        flush_triples();
        break;
    case X0:
        values_[values_count_++] = x12_value(b);
        flush_triples();
        break;
    case E0:
        values_[values_count_++] = std::uint8_t(b & 63);
        if (values_count_ == 4) flush_edifact(false);
        break;
    default: append_ascii(data_, i, i + 1, out_); break;
    }
}

void Emitter::base256(std::size_t s, std::size_t e, bool last) {
    const std::size_t length = e - s;
    const std::size_t field = length <= std::size_t(longest_short_base256) ? 1 : 2;
    const std::size_t explicit_end = out_.size() + 1 + field + length;
    const bool to_end = last && (field == 1 ? explicit_end == std::size_t(capacity_)
                                            : explicit_end == std::size_t(capacity_) + 1);
    out_.push_back(latch_base256);
    if (to_end) {
        push_randomised(0);
    } else if (field == 1) {
        push_randomised(int(length));
    } else {
        push_randomised(int(length / 250 + 249));
        push_randomised(int(length % 250));
    }
    for (std::size_t i = s; i < e; ++i) push_randomised(data_[i]);
}

void Emitter::pad_triple() {
    values_[values_count_++] = 0;
    flush_triples();
}

void Emitter::flush_triples() {
    std::size_t k = 0;
    for (; k + 3 <= values_count_; k += 3) {
        const int v = 1600 * values_[k] + 40 * values_[k + 1] + values_[k + 2] + 1;
        out_.push_back(std::uint8_t(v >> 8));
        out_.push_back(std::uint8_t(v & 0xFF));
    }
    std::copy(values_.begin() + k, values_.begin() + values_count_, values_.begin());
    values_count_ -= k;
}

void Emitter::flush_edifact(bool partial) {
    std::uint32_t bits = 0;
    for (std::size_t k = 0; k < 4; ++k) bits = bits << 6 | (k < values_count_ ? values_[k] : 0u);
    const std::size_t bytes = partial ? (values_count_ * 6 + 7) / 8 : 3;
    for (std::size_t k = 0; k < bytes; ++k) out_.push_back(std::uint8_t(bits >> (16 - 8 * k)));
    values_count_ = 0;
}

}  // namespace tavlo::datamatrix
