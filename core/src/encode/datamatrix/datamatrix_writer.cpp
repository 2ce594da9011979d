#include "datamatrix_writer.hpp"

#include <algorithm>

#include "../../assert.hpp"

namespace tavlo::datamatrix {
namespace {

// Writes codewords step by step in the scheme of each step, holding the C40/Text/X12 and EDIFACT values that
// do not yet make a whole group.
class Writer {
public:
    Writer(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out, int capacity)
        : data_(data), out_(out), capacity_(capacity) {}

    void latch(Scheme to);
    void unlatch(Scheme from);
    void character(std::size_t i, Scheme scheme);

    // The segment [s, e); ending at the end of the data, the length may be written as 0 ("to the end of the
    // symbol"): done when the symbol is exactly full that way and, for a long segment, only when the explicit
    // length would not fit.
    void base256(std::size_t s, std::size_t e);

    void finish(const Close& close);

private:
    void push_randomised(int value) { out_.push_back(randomise_255(value, out_.size() + 1)); }
    void flush_triples();

    // Four 6-bit values make three codewords; a shorter final group (ending in the unlatch) keeps only the
    // codewords its bits reach, the rest of the last one zero.
    void flush_edifact(bool partial);

    std::span<const std::uint8_t> data_;
    std::vector<std::uint8_t>& out_;
    int capacity_;
    std::array<std::uint8_t, 8> values_{};
    std::size_t values_count_ = 0;
};

void Writer::latch(Scheme to) {
    static constexpr std::array<std::uint8_t, scheme_count> latches{0,         latch_c40,     latch_text,
                                                                    latch_x12, latch_edifact, latch_base256};
    out_.push_back(latches[index(to)]);
    values_count_ = 0;
}

void Writer::unlatch(Scheme from) {
    if (from == Scheme::Edifact) {
        values_[values_count_++] = edifact_unlatch;
        flush_edifact(true);
    } else if (is_triple(from)) {
        out_.push_back(datamatrix::unlatch);
    }
}

void Writer::character(std::size_t i, Scheme scheme) {
    const std::uint8_t b = data_[i];
    switch (scheme) {
    case Scheme::C40:
    case Scheme::Text:
        values_count_ += c40_values(b, scheme == Scheme::Text, values_.data() + values_count_);
        flush_triples();
        break;
    case Scheme::X12:
        values_[values_count_++] = x12_value(b);
        flush_triples();
        break;
    case Scheme::Edifact:
        values_[values_count_++] = std::uint8_t(b & 63);
        if (values_count_ == 4) flush_edifact(false);
        break;
    default: append_ascii(data_, i, i + 1, out_); break;
    }
}

void Writer::base256(std::size_t s, std::size_t e) {
    const std::size_t length = e - s;
    const std::size_t field = length <= std::size_t(longest_short_base256) ? 1 : 2;
    const std::size_t explicit_end = out_.size() + 1 + field + length;
    const bool last = e == data_.size();
    const bool to_end =
        last && (field == 1 ? explicit_end == std::size_t(capacity_) : explicit_end == std::size_t(capacity_) + 1);
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

void Writer::finish(const Close& close) {
    const auto tail_in_ascii = [&] {
        values_count_ = 0;  // their characters go out in ASCII instead
        append_ascii(data_, close.boundary, data_.size(), out_);
    };
    switch (close.ending) {
    case Ending::Plain: break;
    case Ending::Unlatch: unlatch(close.scheme); break;
    case Ending::UnlatchAscii:
        out_.push_back(datamatrix::unlatch);
        tail_in_ascii();
        break;
    case Ending::TripleAscii:
    case Ending::EdifactAscii: tail_in_ascii(); break;
    case Ending::TriplePadded:
        values_[values_count_++] = 0;  // Shift 1
        flush_triples();
        break;
    }
}

void Writer::flush_triples() {
    std::size_t k = 0;
    for (; k + 3 <= values_count_; k += 3) {
        const int v = 1600 * values_[k] + 40 * values_[k + 1] + values_[k + 2] + 1;
        out_.push_back(std::uint8_t(v >> 8));
        out_.push_back(std::uint8_t(v & 0xFF));
    }
    std::copy(values_.begin() + k, values_.begin() + values_count_, values_.begin());
    values_count_ -= k;
}

void Writer::flush_edifact(bool partial) {
    std::uint32_t bits = 0;
    for (std::size_t k = 0; k < 4; ++k) bits = bits << 6 | (k < values_count_ ? values_[k] : 0u);
    const std::size_t bytes = partial ? (values_count_ * 6 + 7) / 8 : 3;
    for (std::size_t k = 0; k < bytes; ++k) out_.push_back(std::uint8_t(bits >> (16 - 8 * k)));
    values_count_ = 0;
}

void close_triple(const OpenEnd& end, int capacity, const auto& offer) {
    const int g = end.codewords;
    if (end.open_values == 0 && end.tail == 0) {
        // Groups that fill the symbol need no unlatch.
        if (g == capacity)
            offer(g, Ending::Plain);
        else
            offer(g + 1, Ending::Unlatch);
        return;
    }
    // The characters of an unfinished group go out in ASCII (ISO/IEC 16022 5.2.5.2), after an unlatch unless
    // they make the one codeword that ends the symbol.
    if (end.tail >= 0) {
        if (end.tail == 1 && capacity - g == 1) offer(capacity, Ending::TripleAscii);
        offer(g + 1 + end.tail, Ending::UnlatchAscii);
    }
    if (end.open_values == 2 && end.scheme != Scheme::X12 && capacity - g == 2) offer(capacity, Ending::TriplePadded);
}

void close_edifact(const OpenEnd& end, int capacity, const auto& offer) {
    const int g = end.codewords;
    if (end.tail >= 0 && capacity - g <= 2 && end.tail <= capacity - g) {
        // A decoder reads ASCII once fewer than three codewords remain, so the rest may go there.
        offer(g + end.tail, Ending::EdifactAscii);
    } else if (end.open_values >= 0 && capacity - g >= 3) {
        // An unlatch group is read as EDIFACT only with at least three codewords left.
        offer(g + unlatch_cost(Scheme::Edifact, end.open_values), Ending::Unlatch);
    }
}

}  // namespace

std::optional<Close> close(const OpenEnd& end, int capacity) {
    Close best{infinity, Ending::Plain, end.scheme, end.boundary};
    const auto offer = [&](int total, Ending ending) {
        if (total <= capacity && total < best.total) {
            best.total = total;
            best.ending = ending;
        }
    };
    switch (end.scheme) {
    case Scheme::Ascii: offer(end.codewords, Ending::Plain); break;
    case Scheme::Base256:
        // A long segment that reaches exactly the end writes its length as 0, one codeword.
        offer(end.long_base256 && end.codewords - 1 == capacity ? capacity : end.codewords, Ending::Plain);
        break;
    case Scheme::Edifact: close_edifact(end, capacity, offer); break;
    default: close_triple(end, capacity, offer); break;
    }
    if (best.total == infinity) return std::nullopt;
    return best;
}

void write_route(std::span<const std::uint8_t> data, const Route& route, int capacity, std::vector<std::uint8_t>& out) {
    Writer writer(data, out, capacity);
    const auto& steps = route.steps;
    Scheme current = Scheme::Ascii;
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const Step& step = steps[k];
        if (step.scheme != current) {
            if (current != Scheme::Ascii) writer.unlatch(current);
            current = step.scheme;
            if (current != Scheme::Ascii && current != Scheme::Base256) writer.latch(current);
        }
        if (current == Scheme::Base256) {
            // One segment for the whole run of Base 256 steps.
            std::size_t e = k;
            while (e + 1 < steps.size() && steps[e + 1].scheme == Scheme::Base256) ++e;
            writer.base256(step.position, steps[e].position + std::size_t(steps[e].taken));
            k = e;
        } else if (current == Scheme::Ascii) {
            append_ascii(data, step.position, step.position + step.taken, out);
        } else {
            writer.character(step.position, current);
        }
    }
    // A route that returns to ASCII at the very end of the data.
    if (route.close.scheme != current && current != Scheme::Ascii) writer.unlatch(current);
    writer.finish(route.close);
    TAVLO_ASSERT(out.size() == std::size_t(route.close.total));
}

}  // namespace tavlo::datamatrix
