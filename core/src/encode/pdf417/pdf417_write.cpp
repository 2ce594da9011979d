// Codewords from a plan (ISO/IEC 15438 clauses 5.4.1 to 5.4.4): text values two to a codeword, byte runs in
// groups of six, digits in groups of 44, and the latch codewords between them.
#include <algorithm>
#include <array>

#include "../../assert.hpp"
#include "pdf417_plan.hpp"
#include "pdf417_text.hpp"

namespace tavlo::pdf417 {
namespace {

// Mode latch and shift codewords (ISO/IEC 15438 table of mode latch and shift codewords).
constexpr std::uint16_t latch_text = 900;
constexpr std::uint16_t latch_byte = 901;          // a run whose length is not a multiple of six
constexpr std::uint16_t latch_byte_groups = 924;   // a run of whole groups of six
constexpr std::uint16_t latch_numeric = 902;
constexpr std::uint16_t shift_byte = 913;

constexpr std::uint32_t base = 900;

class Writer {
public:
    Writer(std::span<const std::uint8_t> data, std::vector<std::uint16_t>& out) : data_(data), out_(out) {}

    void value(std::uint8_t v) {
        if (pending_ < 0) {
            pending_ = v;
        } else {
            out_.push_back(std::uint16_t(pending_ * 30 + v));
            pending_ = -1;
        }
    }
    void fill_codeword() {
        if (pending_ >= 0) value(pad_value);
    }
    void codeword(std::uint16_t c) { out_.push_back(c); }

    // Bytes [start, end) after their latch: five codewords for each six, then one for each left over.
    void bytes(std::size_t start, std::size_t end) {
        const std::size_t length = end - start;
        codeword(length % byte_group == 0 ? latch_byte_groups : latch_byte);
        std::size_t i = start;
        for (; i + byte_group <= end; i += byte_group) {
            std::uint64_t number = 0;
            for (std::size_t k = 0; k < byte_group; ++k) number = number << 8 | data_[i + k];
            std::array<std::uint16_t, 5> digits;
            for (std::size_t k = 5; k-- > 0;) digits[k] = std::uint16_t(number % base), number /= base;
            out_.insert(out_.end(), digits.begin(), digits.end());
        }
        for (; i < end; ++i) codeword(data_[i]);
    }

    // Digits [start, end) after their latch: each group of up to 44, with a leading 1, read in base 900.
    void digits(std::size_t start, std::size_t end) {
        codeword(latch_numeric);
        for (std::size_t group = start; group < end; group += numeric_group) {
            const std::size_t stop = std::min<std::size_t>(group + numeric_group, end);
            // The number "1" and the digits, in limbs of 9 decimal digits, most significant first: long division
            // by 900 then takes 5 steps a pass where it took 45 (1,000 digits: 110,000 to 25,000 instructions).
            constexpr std::size_t limb_digits = 9, limb_count = (numeric_group + 1 + limb_digits - 1) / limb_digits;
            constexpr std::uint64_t limb_base = 1'000'000'000;
            const std::size_t length = stop - group + 1;  // digits with the leading 1
            const std::size_t limbs = (length + limb_digits - 1) / limb_digits;
            std::array<std::uint64_t, limb_count> number{};
            for (std::size_t k = 0; k < length; ++k) {
                const std::uint64_t digit = k == 0 ? 1 : std::uint64_t(data_[group + k - 1] - '0');
                // Digit k of `length` lands in the limb that holds its place counted from the right.
                const std::size_t limb = limbs - 1 - (length - 1 - k) / limb_digits;
                number[limb] = number[limb] * 10 + digit;
            }
            std::array<std::uint16_t, 15> out;
            std::size_t count = 0, first = 0;
            while (first < limbs) {
                std::uint64_t remainder = 0;
                for (std::size_t k = first; k < limbs; ++k) {
                    const std::uint64_t current = remainder * limb_base + number[k];
                    number[k] = current / base;
                    remainder = current % base;
                }
                out[count++] = std::uint16_t(remainder);
                while (first < limbs && number[first] == 0) ++first;
            }
            // A group of d digits takes exactly d / 3 + 1 codewords, as the planner counted.
            TAVLO_ASSERT(count == (stop - group) / 3 + 1);
            while (count > 0) codeword(out[--count]);
        }
    }

private:
    std::span<const std::uint8_t> data_;
    std::vector<std::uint16_t>& out_;
    int pending_ = -1;  // a text value waiting for the second half of its codeword
};

}  // namespace

void write_plan(std::span<const std::uint8_t> data, std::span<const Step> plan, std::vector<std::uint16_t>& out) {
    TAVLO_ASSERT(plan.size() == data.size());
    Writer writer(data, out);
    std::uint8_t state = text_state(Submode::Alpha, false);
    std::size_t run_start = 0;  // the first byte or digit of the current byte or numeric run
    const auto end_run = [&](std::size_t end) {
        if (is_byte(state)) writer.bytes(run_start, end);
        if (is_numeric(state)) writer.digits(run_start, end);
    };
    for (std::size_t i = 0; i < data.size(); ++i) {
        const Step step = plan[i];
        const std::uint8_t next = step.state;
        // A latch happened exactly where the state the last character left differs from the one this takes.
        if (next != state) {
            Submode from = submode_of(state);
            if (is_text(state)) {
                if (!is_text(next)) writer.fill_codeword();
            } else {
                end_run(i);
                if (is_text(next)) writer.codeword(latch_text);
                from = Submode::Alpha;
            }
            if (is_text(next)) {
                const auto& values = latch(from, submode_of(next));
                for (std::uint8_t k = 0; k < values.length; ++k) writer.value(values.values[k]);
            } else {
                run_start = i;
            }
        }
        const std::uint8_t byte = data[i];
        if (is_text(next)) {
            const Submode submode = submode_of(next);
            switch (step.take) {
            case Take::Direct: writer.value(std::uint8_t(text_value(submode, byte))); break;
            case Take::PunctShift:
                writer.value(punct_shift);
                writer.value(std::uint8_t(text_value(Submode::Punct, byte)));
                break;
            case Take::AlphaShift:
                writer.value(alpha_shift);
                writer.value(std::uint8_t(text_value(Submode::Alpha, byte)));
                break;
            case Take::ByteShift:
                writer.fill_codeword();
                writer.codeword(shift_byte);
                writer.codeword(byte);
                break;
            }
        }
        state = state_after(next, step.take);
    }
    if (is_text(state))
        writer.fill_codeword();
    else
        end_run(data.size());
}

}  // namespace tavlo::pdf417
