#include "aztec_codewords.hpp"

#include <span>

#include "../shared/galois_reed_solomon.hpp"

namespace tavlo::aztec {
namespace {

// The fields by codeword width (ISO/IEC 24778 7.3.1.1), generator roots alpha^1 upwards.
constexpr unsigned first_root = 1;

const reed_solomon::GaloisField& field_for(unsigned word_size) {
    static const reed_solomon::GaloisField gf16(0x13), gf64(0x43), gf256(0x12D), gf1024(0x409), gf4096(0x1069);
    switch (word_size) {
    case 4: return gf16;
    case 6: return gf64;
    case 8: return gf256;
    case 10: return gf1024;
    default: TAVLO_ASSERT(word_size == 12); return gf4096;
    }
}

void put_with_check_words(std::vector<std::uint16_t> words, std::size_t check_count, unsigned word_size,
                          BitString& out) {
    const std::size_t data = words.size();
    words.resize(data + check_count);
    reed_solomon::galois_remainder(field_for(word_size), std::span(words).first(data), first_root,
                                   std::span(words).subspan(data));
    for (const std::uint16_t word : words) out.put(word, word_size);
}

}  // namespace

std::vector<std::uint16_t> stuffed_codewords(const BitString& bits, unsigned word_size) {
    const std::size_t n = bits.size();
    const unsigned top = (1u << word_size) - 2;  // the first word_size - 1 bits
    std::vector<std::uint16_t> words;
    words.reserve(n / (word_size - 1) + 1);
    std::size_t i = 0;
    do {
        unsigned word = 0;
        if (i + word_size <= n) {
            for (unsigned j = 0; j < word_size; ++j) word = (word << 1) | bits.bits[i + j];
        } else {  // the last word, padded with ones
            for (unsigned j = 0; j < word_size; ++j) word = (word << 1) | (i + j >= n ? 1u : bits.bits[i + j]);
        }
        if ((word & top) == top) {
            words.push_back(std::uint16_t(top));
            i += word_size - 1;
        } else if ((word & top) == 0) {
            words.push_back(std::uint16_t(1));
            i += word_size - 1;
        } else {
            words.push_back(std::uint16_t(word));
            i += word_size;
        }
    } while (i < n);
    return words;
}

BitString layer_bits(const std::vector<std::uint16_t>& data, const SymbolSize& size) {
    const unsigned word_size = size.word_size();
    const unsigned total = size.codewords();
    TAVLO_ASSERT(data.size() + min_check_codewords <= total);
    BitString out;
    out.bits.reserve(size.layer_bits());
    out.bits.assign(size.layer_bits() % word_size, 0);
    put_with_check_words(data, total - data.size(), word_size, out);
    return out;
}

BitString mode_message(const SymbolSize& size, unsigned data_codewords) {
    TAVLO_ASSERT(data_codewords >= 1 && data_codewords <= size.max_data_codewords());
    BitString counts;
    counts.put(unsigned(size.layers - 1), size.compact ? 2 : 5);
    counts.put(data_codewords - 1, size.compact ? 6 : 11);
    std::vector<std::uint16_t> words;
    for (std::size_t at = 0; at < counts.size(); at += 4)
        words.push_back(std::uint16_t(counts.bits[at] << 3 | counts.bits[at + 1] << 2 | counts.bits[at + 2] << 1 |
                                      counts.bits[at + 3]));
    BitString out;
    put_with_check_words(std::move(words), size.compact ? 5 : 6, 4, out);
    return out;
}

BitString rune_message(unsigned value) {
    TAVLO_ASSERT(value <= 255);
    BitString out;
    put_with_check_words({std::uint16_t(value >> 4), std::uint16_t(value & 15)}, 5, 4, out);
    for (std::size_t at = 0; at < out.size(); at += 2) out.bits[at] ^= 1;
    return out;
}

}  // namespace tavlo::aztec
