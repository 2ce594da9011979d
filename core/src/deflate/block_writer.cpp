#include "zlib_stream.hpp"

#include <algorithm>
#include <cstring>
#include <span>
#include <utility>

#include "bit_writer.hpp"
#include "equal_prefix.hpp"
#include "huffman.hpp"
#include "../little_endian.hpp"

namespace tavlo::deflate {

namespace {

// No code of a block is longer (RFC 1951, 3.2.7).
constexpr unsigned longest_code = 15;

// The extra bits that follow each distance symbol.
constexpr auto distance_extra_bits = [] {
    std::array<std::uint8_t, distance_symbols> table{};
    for (unsigned d = 4; d < distance_symbols; ++d) table[d] = static_cast<std::uint8_t>(d / 2 - 1);
    return table;
}();

// The extra bits that follow each literal/length symbol.
constexpr auto extra_bits = [] {
    std::array<std::uint8_t, literal_symbols> table{};
    for (unsigned i = 0; i < 29; ++i) table[257 + i] = length_extra[i];
    return table;
}();

// The codes of one compressed block.
struct Codes {
    std::array<std::uint8_t, literal_symbols> literal_lengths{};
    std::array<std::uint16_t, literal_symbols> literal_codes{};
    std::array<std::uint8_t, distance_symbols> distance_lengths{};
    std::array<std::uint16_t, distance_symbols> distance_codes{};
};

// The fixed code spans 288 symbols; the last two are never used but take their place in the code.
Codes fixed_codes() {
    std::array<std::uint8_t, 288> lengths;
    for (unsigned s = 0; s < lengths.size(); ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    std::array<std::uint16_t, 288> codes;
    canonical_codes(lengths, codes);
    Codes fixed;
    std::copy_n(lengths.begin(), literal_symbols, fixed.literal_lengths.begin());
    std::copy_n(codes.begin(), literal_symbols, fixed.literal_codes.begin());
    fixed.distance_lengths.fill(5);
    canonical_codes(fixed.distance_lengths, fixed.distance_codes);
    return fixed;
}

Codes dynamic_codes(const Tokens& tokens) {
    Codes codes;
    huffman_code(tokens.literal_counts(), longest_code, codes.literal_lengths, codes.literal_codes);
    huffman_code(tokens.distance_counts(), longest_code, codes.distance_lengths, codes.distance_codes);
    if (codes.distance_lengths == decltype(codes.distance_lengths){}) codes.distance_lengths[0] = 1;  // none used
    return codes;
}

// The code description at the start of a dynamic block: the code lengths of both alphabets, run-length
// coded with a code of their own (RFC 1951, 3.2.7).
class DynamicHeader {
public:
    explicit DynamicHeader(const Codes& codes);
    std::uint64_t bits() const { return bits_; }
    void write(BitWriter& out) const;

private:
    static constexpr unsigned length_symbols = 19;
    // The order in which the code-length code's own lengths are listed.
    static constexpr std::uint8_t length_order[length_symbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                                  11, 4,  12, 3, 13, 2, 14, 1, 15};
    static constexpr unsigned repeat_extra_bits[3] = {2, 3, 7};  // of symbols 16, 17, 18
    struct Item {
        std::uint8_t symbol;  // 0..15 a length, 16 the previous length again, 17 and 18 zeros
        std::uint8_t extra;   // the repeat count's extra bits
    };

    void add_items(std::span<const std::uint8_t> lengths);
    void add(unsigned symbol, unsigned extra) {
        items_[item_count_++] = {static_cast<std::uint8_t>(symbol), static_cast<std::uint8_t>(extra)};
    }
    static unsigned item_extra_bits(unsigned symbol) { return symbol >= 16 ? repeat_extra_bits[symbol - 16] : 0; }

    unsigned literal_count_ = 0;
    unsigned distance_count_ = 0;
    unsigned length_count_ = 0;
    std::array<std::uint8_t, length_symbols> lengths_{};
    std::array<std::uint16_t, length_symbols> codes_{};
    std::array<Item, literal_symbols + distance_symbols> items_;
    unsigned item_count_ = 0;
    std::uint64_t bits_ = 0;
};

DynamicHeader::DynamicHeader(const Codes& codes) {
    literal_count_ = literal_symbols;
    while (literal_count_ > 257 && codes.literal_lengths[literal_count_ - 1] == 0) --literal_count_;
    distance_count_ = distance_symbols;
    while (distance_count_ > 1 && codes.distance_lengths[distance_count_ - 1] == 0) --distance_count_;
    std::array<std::uint8_t, literal_symbols + distance_symbols> lengths;
    std::copy_n(codes.literal_lengths.begin(), literal_count_, lengths.begin());
    std::copy_n(codes.distance_lengths.begin(), distance_count_, lengths.begin() + literal_count_);
    add_items(std::span(lengths).first(literal_count_ + distance_count_));

    std::array<std::uint64_t, length_symbols> counts{};
    for (unsigned i = 0; i < item_count_; ++i) ++counts[items_[i].symbol];
    huffman_code(counts, 7, lengths_, codes_);
    // The decoder takes only a complete code here: a lone symbol gets a partner.
    if (std::count(counts.begin(), counts.end(), 0u) == length_symbols - 1) {
        lengths_[counts[0] != 0 ? 1 : 0] = 1;
        canonical_codes(lengths_, codes_);
    }
    length_count_ = length_symbols;
    while (length_count_ > 4 && lengths_[length_order[length_count_ - 1]] == 0) --length_count_;

    bits_ = 5 + 5 + 4 + 3 * length_count_;
    for (unsigned i = 0; i < item_count_; ++i) {
        bits_ += lengths_[items_[i].symbol] + item_extra_bits(items_[i].symbol);
    }
}

void DynamicHeader::add_items(std::span<const std::uint8_t> lengths) {
    for (std::size_t i = 0; i < lengths.size();) {
        const std::uint8_t length = lengths[i];
        std::size_t run = 1 + equal_run(lengths.data() + i + 1, lengths.size() - i - 1, length);
        i += run;
        if (length == 0) {
            while (run >= 11) {
                const std::size_t take = std::min<std::size_t>(run, 138);
                add(18, take - 11);
                run -= take;
            }
            if (run >= 3) {
                add(17, run - 3);
                run = 0;
            }
        } else {
            add(length, 0);
            --run;
            while (run >= 3) {
                const std::size_t take = std::min<std::size_t>(run, 6);
                add(16, take - 3);
                run -= take;
            }
        }
        for (; run > 0; --run) add(length, 0);
    }
}

void DynamicHeader::write(BitWriter& out) const {
    out.put(literal_count_ - 257, 5);
    out.put(distance_count_ - 1, 5);
    out.put(length_count_ - 4, 4);
    for (unsigned i = 0; i < length_count_; ++i) out.put(lengths_[length_order[i]], 3);
    for (unsigned i = 0; i < item_count_; ++i) {
        const Item item = items_[i];
        out.put(codes_[item.symbol], lengths_[item.symbol]);
        out.put(item.extra, item_extra_bits(item.symbol));
    }
}

// The tokens in `codes`; a repeat copies the bits of its first occurrence.
void write_tokens(BitWriter& out, const Tokens& tokens, const Codes& codes) {
    struct Repeat {
        std::uint64_t start;
        std::uint64_t times;
    };
    std::array<Repeat, max_nesting> open;
    unsigned depth = 0;
    auto times = tokens.repeats().begin();
    BitWriter::Cursor at = out.cursor();  // kept in registers between repeat marks
    const std::uint32_t* at_token = tokens.tokens().data();
    const std::uint32_t* const end = at_token + tokens.tokens().size();
    TAVLO_ASSERT(end != at_token && end[-1] == end_of_block);
    while (at_token != end) {
        if (*at_token < end_of_block) {
            // A stretch of literals is gathered in a word, three codes at a time (7 pending bits and three codes
            // fit in a put), and its whole bytes stored once. The stream ends with the end of the block, which
            // ends every stretch.
            static_assert(7 + 3 * longest_code <= BitWriter::max_put);
            std::uint64_t bits = at.pending;
            unsigned fill = at.fill;
            const auto add = [&](std::uint32_t symbol) {
                bits |= std::uint64_t{codes.literal_codes[symbol]} << fill;
                fill += codes.literal_lengths[symbol];
            };
            add(*at_token++);
            if (*at_token < end_of_block) {
                add(*at_token++);
                if (*at_token < end_of_block) add(*at_token++);
            }
            at.pending = 0;
            at.fill = 0;
            at.put(bits, fill);
            continue;
        }
        const unsigned symbol = token::symbol(*at_token);
        const std::uint32_t word = *at_token++;
        if (symbol < literal_symbols) {
            // The end of the block, or a copy: the length symbol and its extra bits, then the distance symbol and
            // its extra bits.
            const unsigned code_length = codes.literal_lengths[symbol];
            if (symbol == end_of_block) {
                at.put(codes.literal_codes[symbol], code_length);
                continue;
            }
            const unsigned distance = token::distance_symbol(word);
            const unsigned length = code_length + extra_bits[symbol];
            const unsigned distance_length = codes.distance_lengths[distance];
            at.put(codes.literal_codes[symbol] | std::uint64_t{token::length_extra(word)} << code_length |
                       std::uint64_t{codes.distance_codes[distance]} << length |
                       std::uint64_t{token::distance_extra(word)} << (length + distance_length),
                   length + distance_length + distance_extra_bits[distance]);
            continue;
        }
        out.resume(at);
        if (symbol == Tokens::begin_repeat_marker) {
            open[depth++] = {out.position(), *times++};
        } else {
            const Repeat& r = open[--depth];
            const std::uint64_t period = out.position() - r.start;
            if (period != 0) out.repeat(period, period * (r.times - 1));
        }
        at = out.cursor();
    }
    out.resume(at);
}

std::uint64_t stored_blocks(std::uint64_t bytes) { return std::max<std::uint64_t>(1, (bytes + 65534) / 65535); }

void write_stored_blocks(std::uint8_t* out, std::span<const std::uint8_t> data) {
    std::size_t done = 0;
    do {
        const std::size_t size = std::min<std::size_t>(data.size() - done, 65535);
        const bool last = done + size == data.size();
        const std::uint8_t header[5] = {static_cast<std::uint8_t>(last), static_cast<std::uint8_t>(size),
                                        static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(~size),
                                        static_cast<std::uint8_t>(~size >> 8)};
        out = std::copy_n(header, sizeof header, out);
        out = std::copy_n(data.data() + done, size, out);
        done += size;
    } while (done < data.size());
}

}  // namespace

namespace {

const Codes& fixed_code() {
    static const Codes fixed = fixed_codes();
    return fixed;
}

// The shortest block of the data, with what it takes to write it.
struct BlockChoice {
    Codes dynamic;
    DynamicHeader header;
    std::uint64_t stored_bits, fixed_bits, dynamic_bits;
    std::uint64_t bits() const { return std::min({stored_bits, fixed_bits, dynamic_bits}); }
};

// The bits of the tokens in the fixed code and in `dynamic`, counted over the symbols used: a label's image
// uses a few dozen of the 316.
std::pair<std::uint64_t, std::uint64_t> symbol_bits(const Tokens& tokens, const Codes& dynamic) {
    const Codes& fixed = fixed_code();
    std::uint64_t in_fixed = 0, in_dynamic = 0;
    const auto& counts = tokens.literal_counts();
    for_each_used(counts, [&](unsigned s) {
        in_fixed += counts[s] * (fixed.literal_lengths[s] + extra_bits[s]);
        in_dynamic += counts[s] * (dynamic.literal_lengths[s] + extra_bits[s]);
    });
    for (unsigned d = 0; d < distance_symbols; ++d) {
        const std::uint64_t count = tokens.distance_counts()[d];
        if (count == 0) continue;
        in_fixed += count * (fixed.distance_lengths[d] + distance_extra_bits[d]);
        in_dynamic += count * (dynamic.distance_lengths[d] + distance_extra_bits[d]);
    }
    return {in_fixed, in_dynamic};
}

BlockChoice choose_block(const Tokens& tokens, std::uint64_t data_bytes) {
    const Codes dynamic = dynamic_codes(tokens);
    const DynamicHeader header(dynamic);
    const auto [in_fixed, in_dynamic] = symbol_bits(tokens, dynamic);
    return {dynamic, header, (data_bytes + 5 * stored_blocks(data_bytes)) * 8, 3 + in_fixed,
            3 + header.bits() + in_dynamic};
}

}  // namespace

std::uint64_t block_bits(const Tokens& tokens, std::uint64_t data_bytes) {
    return choose_block(tokens, data_bytes).bits();
}

void append_zlib_stream(std::vector<std::uint8_t>& out, const Tokens& tokens, std::uint64_t data_bytes,
                        std::uint32_t adler, const std::function<void(std::uint8_t*)>& write_bytes) {
    const BlockChoice block = choose_block(tokens, data_bytes);
    const std::uint64_t bits = block.bits();

    const std::size_t start = out.size();
    const std::size_t end = start + 2 + (bits + 7) / 8;
    out.resize(end + 4 + BitWriter::slack);
    out[start] = 0x78;  // deflate, 32 KiB window; the check bits make the pair a multiple of 31
    out[start + 1] = 0x01;
    if (bits == block.stored_bits) {
        std::vector<std::uint8_t> data(data_bytes);
        write_bytes(data.data());
        write_stored_blocks(out.data() + start + 2, data);
    } else {
        BitWriter writer(out.data() + start + 2);
        const bool is_fixed = bits == block.fixed_bits;
        writer.put(is_fixed ? 0b011 : 0b101, 3);  // the final block, then its type
        if (!is_fixed) block.header.write(writer);
        write_tokens(writer, tokens, is_fixed ? fixed_code() : block.dynamic);
        TAVLO_ASSERT(writer.position() == bits);
    }
    for (int i = 0; i < 4; ++i) out[end + i] = static_cast<std::uint8_t>(adler >> (24 - 8 * i));
    out.resize(end + 4);
}

}  // namespace tavlo::deflate
