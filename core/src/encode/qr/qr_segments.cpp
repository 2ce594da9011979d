#include "qr_segments.hpp"

#include <algorithm>
#include <array>

#include "../../assert.hpp"

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

constexpr std::uint32_t data_bits(Mode mode, std::uint32_t length) {
    switch (mode) {
    case Mode::Numeric: return (10 * length + 2) / 3;
    case Mode::Alphanumeric: return (11 * length + 1) / 2;
    case Mode::Byte: return 8 * length;
    }
    return 0;
}

std::uint32_t segment_bits(Mode mode, std::uint32_t length, const Dialect& dialect) {
    return dialect.indicator_bits + dialect.count_bits[unsigned(mode)] + data_bits(mode, length);
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

void write_segment(BitWriter& out, const std::uint8_t* data, const Segment& segment, const Dialect& dialect) {
    const std::uint32_t n = segment.length;
    out.put(dialect.indicators[unsigned(segment.mode)], dialect.indicator_bits);
    out.put(n, dialect.count_bits[unsigned(segment.mode)]);
    switch (segment.mode) {
    case Mode::Numeric: {
        std::uint32_t i = 0;
        for (; i + 3 <= n; i += 3)
            out.put((data[i] - '0') * 100u + (data[i + 1] - '0') * 10u + (data[i + 2] - '0'), 10);
        if (n - i == 2) out.put((data[i] - '0') * 10u + (data[i + 1] - '0'), 7);
        if (n - i == 1) out.put(data[i] - '0', 4);
        break;
    }
    case Mode::Alphanumeric: {
        std::uint32_t i = 0;
        for (; i + 2 <= n; i += 2) out.put(alphanumeric_values[data[i]] * 45u + alphanumeric_values[data[i + 1]], 11);
        if (i < n) out.put(alphanumeric_values[data[i]], 6);
        break;
    }
    case Mode::Byte:
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

// ISO/IEC 18004 Table 3, by version group 1-9, 10-26, 27-40, then by mode; Table 2's four-bit indicators.
Dialect qr_dialect(int version) {
    constexpr std::uint8_t count_widths[3][3] = {{10, 9, 8}, {12, 11, 16}, {14, 13, 16}};
    const auto& widths = count_widths[version <= 9 ? 0 : version <= 26 ? 1 : 2];
    return {4, {0b0001, 0b0010, 0b0100}, {widths[0], widths[1], widths[2]}, 4};
}

std::vector<Segment> merge(std::span<const Segment> runs, const Dialect& dialect) {
    std::vector<Segment> out;
    if (runs.empty()) return out;
    Segment current = runs.front();
    for (const Segment& next : runs.subspan(1)) {
        const Mode mode = merged_mode(current.mode, next.mode);
        const std::uint32_t length = current.length + next.length;
        // Equal costs merge: fewer segments for the same length.
        if (segment_bits(mode, length, dialect) <=
            segment_bits(current.mode, current.length, dialect) + segment_bits(next.mode, next.length, dialect)) {
            current = {mode, current.begin, length};
        } else {
            out.push_back(current);
            current = next;
        }
    }
    out.push_back(current);
    return out;
}

// States of the shortest path: the open segment's mode and how many characters of its last group are
// written (numeric groups of three, alphanumeric pairs), then the start, before any segment.
namespace {

struct PlanState {
    Mode mode;
    unsigned open;  // characters of the last group, once the new character is added
};
constexpr std::array<PlanState, 6> plan_states = {{{Mode::Numeric, 1}, {Mode::Numeric, 2}, {Mode::Numeric, 0},
                                                 {Mode::Alphanumeric, 1}, {Mode::Alphanumeric, 0},
                                                 {Mode::Byte, 0}}};
constexpr unsigned start_state = 6;
constexpr std::uint32_t unreachable = ~std::uint32_t(0) / 2;

// The state a character of mode enters, extending state `from` (or opening a segment when from is none),
// and the bits it adds: a numeric group of three costs 4, 3, 3 bits as it fills (4, 7, 10), a pair 6, 5.
struct Step {
    unsigned to;
    std::uint32_t bits;
};
constexpr Step step(Mode mode, std::optional<unsigned> from) {
    switch (mode) {
    case Mode::Numeric:
        if (!from || *from == 2) return {0, 4};
        return {*from + 1, 3};
    case Mode::Alphanumeric:
        if (!from || *from == 4) return {3, 6};
        return {4, 5};
    case Mode::Byte: return {5, 8};
    }
    return {0, 0};
}

bool in_mode(Mode mode, std::uint8_t byte) {
    const ByteClass c = byte_classes[byte];
    return mode == Mode::Byte || (mode == Mode::Alphanumeric ? c != Other : c == Digit);
}

}  // namespace

std::optional<std::vector<Segment>> shortest(std::string_view payload, const Dialect& dialect) {
    const std::size_t n = payload.size();
    constexpr unsigned states = plan_states.size();
    std::array<std::uint32_t, states + 1> cost;
    cost.fill(unreachable);
    cost[start_state] = 0;
    // came_from[i * states + s]: the state before character i for the best path into state s after it.
    std::vector<std::uint8_t> came_from(n * states, 0xFF);
    // Each mode's states, first and one past the last, in plan_states.
    constexpr std::array<std::array<unsigned, 2>, 3> mode_states = {{{0, 3}, {3, 5}, {5, 6}}};
    for (std::size_t i = 0; i < n; ++i) {
        const auto byte = std::uint8_t(payload[i]);
        std::array<std::uint32_t, states + 1> next;
        next.fill(unreachable);
        // A segment opens from the cheapest state, the first of equals: the header is the same from any.
        unsigned cheapest = 0;
        for (unsigned s = 1; s <= states; ++s)
            if (cost[s] < cost[cheapest]) cheapest = s;
        for (unsigned m = 0; m < 3; ++m) {
            const Mode mode = Mode(m);
            if (!dialect.allows(mode) || !in_mode(mode, byte)) continue;
            // Extending first, so that a tie keeps the segment open (fewer segments for the same bits).
            for (unsigned s = mode_states[m][0]; s < mode_states[m][1]; ++s) {
                if (cost[s] >= unreachable) continue;
                const Step e = step(mode, s);
                if (cost[s] + e.bits < next[e.to]) {
                    next[e.to] = cost[s] + e.bits;
                    came_from[i * states + e.to] = std::uint8_t(s);
                }
            }
            if (cost[cheapest] >= unreachable) continue;
            const Step open = step(mode, std::nullopt);
            const std::uint32_t opened = cost[cheapest] + dialect.indicator_bits + dialect.count_bits[m] + open.bits;
            if (opened < next[open.to]) {
                next[open.to] = opened;
                came_from[i * states + open.to] = std::uint8_t(cheapest | 0x80);  // high bit: a segment opens here
            }
        }
        cost = next;
    }
    if (n == 0) return std::vector<Segment>{};
    unsigned state = unsigned(std::min_element(cost.begin(), cost.begin() + states) - cost.begin());
    if (cost[state] >= unreachable) return std::nullopt;
    // Walk back, closing a segment wherever one opened.
    std::vector<Segment> out;
    std::uint32_t end = std::uint32_t(n);
    for (std::size_t i = n; i-- > 0;) {
        const std::uint8_t from = came_from[i * states + state];
        if (from & 0x80) {
            out.push_back({plan_states[state].mode, std::uint32_t(i), end - std::uint32_t(i)});
            end = std::uint32_t(i);
            state = from & 0x7F;
        } else {
            state = from;
        }
    }
    std::ranges::reverse(out);
    for (const Segment& s : out)
        if (s.length >> dialect.count_bits[unsigned(s.mode)] != 0) return std::nullopt;
    return out;
}

std::uint32_t fewest_data_bits(std::string_view payload) {
    // In sixths of a bit: a digit takes 10/3 bits at least (numeric mode), an alphanumeric character 11/2,
    // a byte 8; a segment's data bits are at least the sum over its characters.
    constexpr std::array<std::uint32_t, 4> sixths = {20, 33, 33, 48};  // by ByteClass
    std::uint32_t total = 0;
    for (const char c : payload) total += sixths[unsigned(byte_classes[std::uint8_t(c)])];
    return (total + 5) / 6;
}

std::uint32_t least_header_bits(const Dialect& dialect) {
    unsigned narrowest = ~0u;
    for (const std::uint8_t bits : dialect.count_bits)
        if (bits != 0) narrowest = std::min<unsigned>(narrowest, bits);
    return dialect.indicator_bits + narrowest;
}

std::uint32_t stream_bits(std::span<const Segment> segments, const Dialect& dialect) {
    std::uint32_t bits = 0;
    for (const Segment& s : segments) bits += segment_bits(s.mode, s.length, dialect);
    return bits;
}

std::vector<std::uint8_t> data_codewords(std::string_view payload, std::span<const Segment> segments,
                                         const Dialect& dialect, std::size_t capacity_bits,
                                         std::span<const Prefix> prefixes) {
    const std::size_t capacity = (capacity_bits + 7) / 8;
    BitWriter out(capacity);
    for (const Prefix& p : prefixes) out.put(p.value, p.count);
    const std::size_t prefix_bits = out.bits();
    const auto* data = reinterpret_cast<const std::uint8_t*>(payload.data());
    for (const Segment& s : segments) write_segment(out, data + s.begin, s, dialect);
    TAVLO_ASSERT(out.bits() == prefix_bits + stream_bits(segments, dialect) && out.bits() <= capacity_bits);
    // Terminator of up to terminator_bits zero bits, then zeros to the codeword boundary (a half codeword
    // at the end of Micro QR M1 and M3 takes its four bits).
    const std::size_t room = capacity_bits - out.bits();
    out.put(0, unsigned(std::min<std::size_t>(room, dialect.terminator_bits)));
    out.put(0, unsigned((8 - out.bits() % 8) % 8));
    auto bytes = std::move(out).take();
    // Pad codewords fill whole codewords only; a closing half codeword stays zero.
    for (std::uint8_t pad = 0xEC; bytes.size() < capacity_bits / 8; pad ^= 0xEC ^ 0x11) bytes.push_back(pad);
    if (bytes.size() < capacity) bytes.push_back(0);
    TAVLO_ASSERT(bytes.size() == capacity);
    return bytes;
}

}  // namespace tavlo::qr
