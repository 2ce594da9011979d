#include "qr_segments.hpp"

#include <array>

namespace tavlo::qr {
namespace {

// How run formation sees one byte. A lead byte opens a Kanji pair that the next byte may complete: the
// Kanji mode covers Shift JIS 0x8140-0x9FFC and 0xE040-0xEBBF, the trail byte never 0x7F.
enum ByteClass : std::uint8_t {
    Digit,   // 30-39
    Symbol,  // the nine non-letter characters of the alphanumeric set
    Upper,   // 41-5A, also a trail byte
    Lead1,   // 81-9F, also a trail byte
    Lead2,   // E0-EA, also a trail byte
    Lead3,   // EB, also a trail byte; its own trails end at BF
    Trail1,  // 40, 5B-7E, 80, A0-BF: byte mode on their own
    Trail2,  // C0-DF, EC-FC: byte mode on their own, never after EB
    Other,   // byte mode, never a trail
};

constexpr std::array<ByteClass, 256> byte_classes = [] {
    std::array<ByteClass, 256> table{};
    auto fill = [&](unsigned first, unsigned last, ByteClass c) {
        for (unsigned b = first; b <= last; ++b) table[b] = c;
    };
    fill(0x00, 0xFF, Other);
    fill(0x30, 0x39, Digit);
    for (unsigned b : {0x20, 0x24, 0x25, 0x2A, 0x2B, 0x2D, 0x2E, 0x2F, 0x3A}) table[b] = Symbol;
    fill(0x41, 0x5A, Upper);
    fill(0x81, 0x9F, Lead1);
    fill(0xE0, 0xEA, Lead2);
    table[0xEB] = Lead3;
    table[0x40] = Trail1;
    fill(0x5B, 0x7E, Trail1);
    table[0x80] = Trail1;
    fill(0xA0, 0xBF, Trail1);
    fill(0xC0, 0xDF, Trail2);
    fill(0xEC, 0xFC, Trail2);
    return table;
}();

constexpr std::uint16_t bit(ByteClass c) { return std::uint16_t(1u << c); }

constexpr std::uint16_t leads = bit(Lead1) | bit(Lead2) | bit(Lead3);
// Trails of 81-9F and E0-EA: 40-FC without 7F. Trails of EB: 40-BF without 7F.
constexpr std::uint16_t wide_trails = bit(Upper) | leads | bit(Trail1) | bit(Trail2);
constexpr std::uint16_t narrow_trails = bit(Upper) | bit(Lead1) | bit(Trail1);

constexpr Mode mode_of(ByteClass c) {
    return c == Digit ? Mode::Numeric : c == Symbol || c == Upper ? Mode::Alphanumeric : Mode::Byte;
}

// ISO/IEC 18004 Table 5: values 0-9 for digits, 10-35 for A-Z, then space $ % * + - . / :
constexpr std::array<std::uint8_t, 128> alphanumeric_values = [] {
    std::array<std::uint8_t, 128> table{};
    for (unsigned b = 0; b < 10; ++b) table['0' + b] = std::uint8_t(b);
    for (unsigned b = 0; b < 26; ++b) table['A' + b] = std::uint8_t(10 + b);
    const std::string_view symbols = " $%*+-./:";
    for (unsigned i = 0; i < symbols.size(); ++i) table[std::uint8_t(symbols[i])] = std::uint8_t(36 + i);
    return table;
}();

// ISO/IEC 18004 Table 3, by version group 1-9, 10-26, 27-40, then by mode.
constexpr std::uint8_t count_widths[3][4] = {{10, 9, 8, 8}, {12, 11, 16, 10}, {14, 13, 16, 12}};

constexpr unsigned count_bits(Mode mode, int version) {
    return count_widths[version <= 9 ? 0 : version <= 26 ? 1 : 2][unsigned(mode)];
}

constexpr std::uint32_t segment_bits(Mode mode, std::uint32_t length, int version) {
    std::uint32_t data = 0;
    switch (mode) {
        case Mode::Numeric: data = (10 * length + 2) / 3; break;
        case Mode::Alphanumeric: data = (11 * length + 1) / 2; break;
        case Mode::Byte: data = 8 * length; break;
        case Mode::Kanji: data = 13 * (length / 2); break;
    }
    return 4 + count_bits(mode, version) + data;
}

constexpr Mode merged_mode(Mode a, Mode b) {
    if (a == Mode::Kanji || b == Mode::Kanji) return a == b ? Mode::Kanji : Mode::Byte;
    return a < b ? b : a;
}

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
            for (; i + 2 <= n; i += 2)
                out.put(alphanumeric_values[data[i]] * 45u + alphanumeric_values[data[i + 1]], 11);
            if (i < n) out.put(alphanumeric_values[data[i]], 6);
            break;
        }
        case Mode::Byte:
            out.put(0b0100, 4);
            out.put(n, count_bits(Mode::Byte, version));
            for (std::uint32_t i = 0; i < n; ++i) out.put(data[i], 8);
            break;
        case Mode::Kanji:
            out.put(0b1000, 4);
            out.put(n / 2, count_bits(Mode::Kanji, version));
            for (std::uint32_t i = 0; i < n; i += 2) {
                const unsigned code = unsigned(data[i]) << 8 | data[i + 1];
                const unsigned offset = code - (code <= 0x9FFC ? 0x8140 : 0xC140);
                out.put((offset >> 8) * 0xC0 + (offset & 0xFF), 13);
            }
            break;
    }
}

}  // namespace

std::vector<Segment> runs(std::string_view payload) {
    std::vector<Segment> out;
    Segment current{Mode::Byte, 0, 0};  // length 0 while no run is open
    auto close = [&] {
        if (current.length != 0) out.push_back(current);
        current.length = 0;
    };
    // While a lead byte waits, the classes that complete its pair; the open run is then Kanji or none.
    std::uint16_t trails = 0;
    const auto n = std::uint32_t(payload.size());
    for (std::uint32_t i = 0; i < n; ++i) {
        const ByteClass c = byte_classes[std::uint8_t(payload[i])];
        if (trails != 0) {
            const bool paired = (trails & bit(c)) != 0;
            trails = 0;
            if (paired) {
                if (current.length != 0) current.length += 2;
                else current = {Mode::Kanji, i - 1, 2};
                continue;
            }
            // An unpaired lead never joins a byte run on either side.
            close();
            out.push_back({Mode::Byte, i - 1, 1});
        }
        if ((leads & bit(c)) != 0) {
            if (current.mode != Mode::Kanji) close();
            trails = c == Lead3 ? narrow_trails : wide_trails;
            continue;
        }
        const Mode mode = mode_of(c);
        if (current.length != 0 && current.mode == mode) {
            ++current.length;
        } else {
            close();
            current = {mode, i, 1};
        }
    }
    close();
    if (trails != 0) out.push_back({Mode::Byte, n - 1, 1});
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

std::uint32_t stream_bits(std::span<const Segment> segments, int version) {
    std::uint32_t bits = 0;
    for (const Segment& s : segments) bits += segment_bits(s.mode, s.length, version);
    return bits;
}

std::vector<std::uint8_t> data_codewords(std::string_view payload, std::span<const Segment> segments, int version,
                                         std::size_t capacity) {
    BitWriter out(capacity);
    const auto* data = reinterpret_cast<const std::uint8_t*>(payload.data());
    for (const Segment& s : segments) write_segment(out, data + s.begin, s, version);
    // Terminator of up to four zero bits, then zeros to the byte boundary.
    const std::size_t room = capacity * 8 - out.bits();
    out.put(0, unsigned(room < 4 ? room : 4));
    out.put(0, unsigned((8 - out.bits() % 8) % 8));
    auto bytes = std::move(out).take();
    for (std::uint8_t pad = 0xEC; bytes.size() < capacity; pad ^= 0xEC ^ 0x11) bytes.push_back(pad);
    return bytes;
}

}  // namespace tavlo::qr
