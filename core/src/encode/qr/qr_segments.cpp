#include "qr_segments.hpp"

#include <array>

#include "../shared/assert.hpp"

namespace tavlo::qr {
namespace {

// How run formation sees one byte. There is no Kanji class: the payload is UTF-8 text, and readers decode
// Kanji mode as Shift JIS, so a UTF-8 byte pair that happens to fall in the Kanji range (E3 81 of
// hiragana, D0 91 of Cyrillic) would come back as another character. Byte mode returns the UTF-8 bytes
// themselves, which readers show as the text that was given.
enum class ByteClass : std::uint8_t {
    Digit,   // 30-39
    Symbol,  // the nine non-letter characters of the alphanumeric set
    Upper,   // 41-5A
    Other,   // byte mode
};

using enum ByteClass;

constexpr std::array<ByteClass, 256> byte_classes = [] {
    std::array<ByteClass, 256> table{};
    table.fill(Other);
    for (unsigned b = 0x30; b <= 0x39; ++b) table[b] = Digit;
    for (unsigned b : {0x20, 0x24, 0x25, 0x2A, 0x2B, 0x2D, 0x2E, 0x2F, 0x3A}) table[b] = Symbol;
    for (unsigned b = 0x41; b <= 0x5A; ++b) table[b] = Upper;
    return table;
}();

constexpr Mode mode_of(ByteClass c) {
    return c == Digit ? Mode::Numeric : c == Symbol || c == Upper ? Mode::Alphanumeric : Mode::Byte;
}

// The separator between GS1 element strings; in GS1 mode alphanumeric segments write it as '%'.
constexpr std::uint8_t group_separator = 0x1D;

// ISO/IEC 18004 Table 5: values 0-9 for digits, 10-35 for A-Z, then space $ % * + - . / : (GS as '%').
constexpr std::array<std::uint8_t, 128> alphanumeric_values = [] {
    std::array<std::uint8_t, 128> table{};
    for (unsigned b = 0; b < 10; ++b) table['0' + b] = std::uint8_t(b);
    for (unsigned b = 0; b < 26; ++b) table['A' + b] = std::uint8_t(10 + b);
    const std::string_view symbols = " $%*+-./:";
    for (unsigned i = 0; i < symbols.size(); ++i) table[std::uint8_t(symbols[i])] = std::uint8_t(36 + i);
    table[group_separator] = table['%'];
    return table;
}();

// ISO/IEC 18004 Table 3, by version group 1-9, 10-26, 27-40, then by mode.
constexpr std::uint8_t count_widths[3][3] = {{10, 9, 8}, {12, 11, 16}, {14, 13, 16}};

constexpr unsigned count_bits(Mode mode, int version) {
    return count_widths[version <= 9 ? 0 : version <= 26 ? 1 : 2][unsigned(mode)];
}

constexpr std::uint32_t segment_bits(Mode mode, std::uint32_t length, int version) {
    std::uint32_t data = 0;
    switch (mode) {
    case Mode::Numeric: data = (10 * length + 2) / 3; break;
    case Mode::Alphanumeric: data = (11 * length + 1) / 2; break;
    case Mode::Byte: data = 8 * length; break;
    }
    return 4 + count_bits(mode, version) + data;
}

constexpr Mode merged_mode(Mode a, Mode b) { return a < b ? b : a; }

// Most significant bit first, into a buffer sized for the whole symbol's data.
class BitWriter {
public:
    explicit BitWriter(std::size_t capacity) { bytes_.reserve(capacity); }

    // count in [0, 24]
    void put(std::uint32_t value, unsigned count) {
        pending_ = (pending_ << count) | value;
        pending_bits_ += count;
        while (pending_bits_ >= 8) {
            pending_bits_ -= 8;
            bytes_.push_back(std::uint8_t(pending_ >> pending_bits_));
        }
    }

    std::size_t bits() const { return bytes_.size() * 8 + pending_bits_; }

    std::vector<std::uint8_t> take() && { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t pending_ = 0;
    unsigned pending_bits_ = 0;
};

void write_segment(BitWriter& out, const std::uint8_t* data, const Segment& segment, int version) {
    const std::uint32_t n = segment.length;
    switch (segment.mode) {
    case Mode::Numeric: {
        out.put(0b0001, 4);
        out.put(n, count_bits(Mode::Numeric, version));
        std::uint32_t i = 0;
        for (; i + 3 <= n; i += 3)
            out.put((data[i] - '0') * 100u + (data[i + 1] - '0') * 10u + (data[i + 2] - '0'), 10);
        if (n - i == 2) out.put((data[i] - '0') * 10u + (data[i + 1] - '0'), 7);
        if (n - i == 1) out.put(data[i] - '0', 4);
        break;
    }
    case Mode::Alphanumeric: {
        out.put(0b0010, 4);
        out.put(n, count_bits(Mode::Alphanumeric, version));
        std::uint32_t i = 0;
        for (; i + 2 <= n; i += 2) out.put(alphanumeric_values[data[i]] * 45u + alphanumeric_values[data[i + 1]], 11);
        if (i < n) out.put(alphanumeric_values[data[i]], 6);
        break;
    }
    case Mode::Byte:
        out.put(0b0100, 4);
        out.put(n, count_bits(Mode::Byte, version));
        for (std::uint32_t i = 0; i < n; ++i) out.put(data[i], 8);
        break;
    }
}

}  // namespace

std::vector<Segment> runs(std::string_view payload, bool gs1) {
    std::vector<Segment> out;
    const auto n = std::uint32_t(payload.size());
    const auto class_of = [gs1](char c) {
        const auto byte = std::uint8_t(c);
        if (gs1 && byte == group_separator) return Symbol;
        if (gs1 && byte == '%') return Other;
        return byte_classes[byte];
    };
    std::uint32_t begin = 0;
    for (std::uint32_t i = 1; i <= n; ++i) {
        const Mode mode = mode_of(class_of(payload[begin]));
        if (i == n || mode_of(class_of(payload[i])) != mode) {
            out.push_back({mode, begin, i - begin});
            begin = i;
        }
    }
    return out;
}

std::vector<Segment> merge(std::span<const Segment> runs, int version) {
    std::vector<Segment> out;
    if (runs.empty()) return out;
    Segment current = runs.front();
    for (const Segment& next : runs.subspan(1)) {
        const Mode mode = merged_mode(current.mode, next.mode);
        const std::uint32_t length = current.length + next.length;
        // Equal costs merge: fewer segments for the same length.
        if (segment_bits(mode, length, version) <=
            segment_bits(current.mode, current.length, version) + segment_bits(next.mode, next.length, version)) {
            current = {mode, current.begin, length};
        } else {
            out.push_back(current);
            current = next;
        }
    }
    out.push_back(current);
    return out;
}

// ISO/IEC 18004 Table 2: FNC1 in first position.
constexpr std::uint32_t fnc1_first_indicator = 0b0101;
constexpr unsigned mode_indicator_bits = 4;

std::uint32_t stream_bits(std::span<const Segment> segments, int version, bool fnc1_first) {
    std::uint32_t bits = fnc1_first ? mode_indicator_bits : 0;
    for (const Segment& s : segments) bits += segment_bits(s.mode, s.length, version);
    return bits;
}

std::vector<std::uint8_t> data_codewords(std::string_view payload, std::span<const Segment> segments, int version,
                                         std::size_t capacity, bool fnc1_first) {
    BitWriter out(capacity);
    if (fnc1_first) out.put(fnc1_first_indicator, mode_indicator_bits);
    const auto* data = reinterpret_cast<const std::uint8_t*>(payload.data());
    for (const Segment& s : segments) write_segment(out, data + s.begin, s, version);
    TAVLO_ASSERT(out.bits() == stream_bits(segments, version, fnc1_first) && out.bits() <= capacity * 8);
    // Terminator of up to four zero bits, then zeros to the byte boundary.
    const std::size_t room = capacity * 8 - out.bits();
    out.put(0, unsigned(room < 4 ? room : 4));
    out.put(0, unsigned((8 - out.bits() % 8) % 8));
    auto bytes = std::move(out).take();
    for (std::uint8_t pad = 0xEC; bytes.size() < capacity; pad ^= 0xEC ^ 0x11) bytes.push_back(pad);
    TAVLO_ASSERT(bytes.size() == capacity);
    return bytes;
}

}  // namespace tavlo::qr
