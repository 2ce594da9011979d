#include "zlib_stream.hpp"

#include <algorithm>
#include <cstring>
#include <span>
#include <utility>

#include "bit_writer.hpp"
#include "dynamic_header.hpp"
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

Codes dynamic_codes(const Tokens& tokens, const UsedSymbols& used) {
    Codes codes;
    huffman_code(tokens.literal_counts(), used.literal(), longest_code, codes.literal_lengths, codes.literal_codes);
    huffman_code(tokens.distance_counts(), used.distance(), longest_code, codes.distance_lengths,
                 codes.distance_codes);
    if (used.distance_count == 0) codes.distance_lengths[0] = 1;  // a code of one length 1 for none used
    return codes;
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

// The bits of the tokens in the fixed code and in `dynamic`, counted over the symbols used.
std::pair<std::uint64_t, std::uint64_t> symbol_bits(const Tokens& tokens, const UsedSymbols& used,
                                                    const Codes& dynamic) {
    const Codes& fixed = fixed_code();
    std::uint64_t in_fixed = 0, in_dynamic = 0;
    for (const unsigned s : used.literal()) {
        const std::uint64_t count = tokens.literal_counts()[s];
        in_fixed += count * (fixed.literal_lengths[s] + extra_bits[s]);
        in_dynamic += count * (dynamic.literal_lengths[s] + extra_bits[s]);
    }
    for (const unsigned d : used.distance()) {
        const std::uint64_t count = tokens.distance_counts()[d];
        in_fixed += count * (fixed.distance_lengths[d] + distance_extra_bits[d]);
        in_dynamic += count * (dynamic.distance_lengths[d] + distance_extra_bits[d]);
    }
    return {in_fixed, in_dynamic};
}

// The shortest block of the data, with what it takes to write it: the dynamic code is built once, in place,
// and kept for the writing.
class BlockChoice {
public:
    BlockChoice(const Tokens& tokens, std::uint64_t data_bytes)
        : used_(tokens), dynamic_(dynamic_codes(tokens, used_)), header_(dynamic_, used_) {
        const auto [in_fixed, in_dynamic] = symbol_bits(tokens, used_, dynamic_);
        stored_bits_ = (data_bytes + 5 * stored_blocks(data_bytes)) * 8;
        fixed_bits_ = 3 + in_fixed;
        dynamic_bits_ = 3 + header_.bits() + in_dynamic;
    }
    BlockChoice(const BlockChoice&) = delete;
    BlockChoice& operator=(const BlockChoice&) = delete;

    std::uint64_t bits() const { return std::min({stored_bits_, fixed_bits_, dynamic_bits_}); }
    bool stored() const { return bits() == stored_bits_; }
    bool fixed() const { return bits() == fixed_bits_; }
    const Codes& dynamic() const { return dynamic_; }
    const DynamicHeader& header() const { return header_; }

private:
    UsedSymbols used_;
    Codes dynamic_;
    DynamicHeader header_;
    std::uint64_t stored_bits_, fixed_bits_, dynamic_bits_;
};

}  // namespace

std::uint64_t block_bits(const Tokens& tokens, std::uint64_t data_bytes) {
    return BlockChoice(tokens, data_bytes).bits();
}

void append_zlib_stream(std::vector<std::uint8_t>& out, const Tokens& tokens, std::uint64_t data_bytes,
                        std::uint32_t adler, const std::function<void(std::uint8_t*)>& write_bytes,
                        std::size_t room_after) {
    const BlockChoice block(tokens, data_bytes);
    const std::uint64_t bits = block.bits();

    const std::size_t start = out.size();
    const std::size_t end = start + 2 + (bits + 7) / 8;
    out.reserve(end + 4 + std::max(BitWriter::slack, room_after));
    out.resize(end + 4 + BitWriter::slack);
    out[start] = 0x78;  // deflate, 32 KiB window; the check bits make the pair a multiple of 31
    out[start + 1] = 0x01;
    if (block.stored()) {
        std::vector<std::uint8_t> data(data_bytes);
        write_bytes(data.data());
        write_stored_blocks(out.data() + start + 2, data);
    } else {
        BitWriter writer(out.data() + start + 2);
        const bool is_fixed = block.fixed();
        writer.put(is_fixed ? 0b011 : 0b101, 3);  // the final block, then its type
        if (!is_fixed) block.header().write(writer);
        write_tokens(writer, tokens, is_fixed ? fixed_code() : block.dynamic());
        TAVLO_ASSERT(writer.position() == bits);
    }
    for (int i = 0; i < 4; ++i) out[end + i] = static_cast<std::uint8_t>(adler >> (24 - 8 * i));
    out.resize(end + 4);
}

}  // namespace tavlo::deflate
