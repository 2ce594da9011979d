// Aztec Code: the encodation, the smallest symbol that holds it with the error correction asked for, its
// codewords and drawing.
#include <array>
#include <optional>
#include <string>

#include "aztec_codewords.hpp"
#include "aztec_modes.hpp"
#include "aztec_planner.hpp"
#include "aztec_symbol.hpp"
#include "tavlo/encode_aztec.hpp"

namespace tavlo {
namespace {

using aztec::BitString;
using aztec::SymbolSize;

// ISO/IEC 24778 recommends 23 % of the symbol's codewords for error correction, plus 3 codewords.
constexpr int default_error_correction = 23;
constexpr int min_error_correction = 5, max_error_correction = 95;
constexpr std::uint32_t max_eci = 999999;
constexpr int max_structured_append = 26;

// Every size, smallest first; a compact symbol holds more than a full-range one of the same side, so it
// comes first among equals.
constexpr std::array<SymbolSize, 36> sizes_by_side = [] {
    std::array<SymbolSize, 36> sizes{};
    std::size_t k = 0;
    for (int side = 15; side <= 151; side += 4) {
        for (int layers = 1; layers <= aztec::max_compact_layers; ++layers)
            if (11 + 4 * layers == side) sizes[k++] = {true, layers};
        for (int layers = 1; layers <= aztec::max_full_layers; ++layers)
            if (14 + 4 * layers + 1 == side) sizes[k++] = {false, layers};
    }
    return sizes;
}();

unsigned check_codewords_needed(unsigned codewords, int percent) {
    return unsigned(std::uint64_t(codewords) * unsigned(percent) / 100) + aztec::min_check_codewords;
}

// FLG(n) then n digits (ISO/IEC 24778 7.3.1.4), given by Punct Shift from the Upper mode the message starts in.
void put_eci(std::uint32_t eci, BitString& out) {
    const std::string digits = std::to_string(eci);
    out.put(aztec::punct_shift, 5);
    out.put(0, 5);  // FLG
    out.put(unsigned(digits.size()), 3);
    for (const char d : digits) out.put(unsigned(d - '0') + 2, 4);
}

// Structured append (ISO/IEC 24778 8.2): in Upper mode, the message id between spaces when there is one,
// then the symbol's position and the count as letters A to Z; the message starts with M/L U/L so a reader
// tells this header from data.
void put_structured_append(const AztecOptions::StructuredAppend& append, BitString& out) {
    out.put(29, 5);  // M/L
    out.put(29, 5);  // U/L
    BitString ignored;
    std::string header;
    if (!append.id.empty()) header = " " + append.id + " ";
    header += char('A' + append.index - 1);
    header += char('A' + append.count - 1);
    aztec::append_encodation(std::span(reinterpret_cast<const std::uint8_t*>(header.data()), header.size()), out);
}

Result<void> check_options(const AztecOptions& options) {
    if (options.layers < -aztec::max_compact_layers || options.layers > aztec::max_full_layers)
        return std::unexpected(TavloError::encoding("Aztec layers must be 1 to 32 (full range) or -1 to -4 (compact), got " +
                                                    std::to_string(options.layers)));
    if (options.error_correction &&
        (*options.error_correction < min_error_correction || *options.error_correction > max_error_correction))
        return std::unexpected(TavloError::encoding("Aztec error_correction must be 5 to 95 (percent), got " +
                                                    std::to_string(*options.error_correction)));
    if (options.eci && *options.eci > max_eci)
        return std::unexpected(TavloError::encoding("Aztec eci must be 0 to 999999, got " + std::to_string(*options.eci)));
    if (const auto& append = options.structured_append) {
        if (append->count < 2 || append->count > max_structured_append)
            return std::unexpected(TavloError::encoding("Aztec structured append count must be 2 to 26, got " +
                                                        std::to_string(append->count)));
        if (append->index < 1 || append->index > append->count)
            return std::unexpected(TavloError::encoding("Aztec structured append index must be 1 to " +
                                                        std::to_string(append->count) + ", got " +
                                                        std::to_string(append->index)));
        for (const char c : append->id)
            if (c <= ' ' || c > '~')
                return std::unexpected(TavloError::encoding("Aztec structured append id must be printable ASCII without spaces"));
    }
    return {};
}

MatrixGeometry build(const SymbolSize& size, const std::vector<std::uint16_t>& data) {
    return aztec::draw_symbol(size, aztec::mode_message(size, unsigned(data.size())), aztec::layer_bits(data, size));
}

// One plan's bits, cut into codewords once per codeword width (stuffing depends on the width alone).
class Plan {
public:
    explicit Plan(BitString bits) : bits_(std::move(bits)) {}

    const std::vector<std::uint16_t>& words(const SymbolSize& size) {
        auto& words = by_width_[size.word_size()];
        if (!words) words = aztec::stuffed_codewords(bits_, size.word_size());
        return *words;
    }
    // Whether the bits, were none stuffed, would fit with `check` check codewords.
    bool fits_unstuffed(const SymbolSize& size, unsigned check) const {
        return least_words(size) + check <= size.codewords();
    }
    // Whether `words(size)` fits with `check` check codewords.
    bool fits(const SymbolSize& size, unsigned check) {
        // Stuffing only adds bits: a size too small for the bits unstuffed needs no cutting to be passed over.
        if (!fits_unstuffed(size, check)) return false;
        const auto& cut = words(size);
        return cut.size() + check <= size.codewords() && cut.size() <= size.max_data_codewords();
    }
    // Whether stuffing cost codewords at `size`: another plan, of as many bits or a few more, may take fewer.
    bool stuffing_cost(const SymbolSize& size) { return words(size).size() > least_words(size); }

private:
    std::size_t least_words(const SymbolSize& size) const { return (bits_.size() + size.word_size() - 1) / size.word_size(); }

    BitString bits_;
    std::array<std::optional<std::vector<std::uint16_t>>, 13> by_width_;
};

// The plans tried after the one of the fewest bits when stuffing cost it a codeword: the other tie-break, and
// plans that weigh Binary Shift a little heavier (a run of bytes is where long runs of equal bits, and so
// stuffed bits, come from).
constexpr std::array<aztec::PlanBias, 3> alternative_biases = {{{true, 0}, {false, 1}, {false, 3}}};

// The alternatives are weighed when stuffing makes the plan need a larger symbol, and for a codeword more in
// the same size only up to 8-bit codewords (8 layers): there a stuffed codeword is common (1 word in 16 to
// 64 of random bits) and dear, while in the larger sizes one is a fraction of a percent of the symbol, and
// planning 1,000 bytes three times more would triple the time of the common large symbol (measured: 2.0 to
// 6.1 million instructions for 1,000 bytes of text).
constexpr unsigned widest_reweighed_word = 8;

}  // namespace

Result<MatrixGeometry> encode_aztec(std::span<const std::uint8_t> data, const AztecOptions& options) {
    if (auto checked = check_options(options); !checked) return std::unexpected(checked.error());
    BitString header;
    if (options.structured_append) put_structured_append(*options.structured_append, header);
    if (options.eci) put_eci(*options.eci, header);
    const auto plan_with = [&](aztec::PlanBias bias) {
        BitString bits = header;
        aztec::append_encodation(data, bits, bias);
        return Plan(std::move(bits));
    };
    Plan plan = plan_with({});

    if (options.layers != 0) {
        const SymbolSize size{options.layers < 0, options.layers < 0 ? -options.layers : options.layers};
        const unsigned needed = options.error_correction
                                    ? check_codewords_needed(size.codewords(), *options.error_correction)
                                    : aztec::min_check_codewords;
        const bool overflows = plan.words(size).size() + needed > size.codewords();
        if (plan.stuffing_cost(size) && (overflows || size.word_size() <= widest_reweighed_word))
            for (const aztec::PlanBias& bias : alternative_biases)
                if (Plan other = plan_with(bias); other.words(size).size() < plan.words(size).size()) plan = std::move(other);
        const auto& words = plan.words(size);
        if (words.size() + needed > size.codewords() || words.size() > size.max_data_codewords())
            return std::unexpected(TavloError::encoding(
                "data too long for an Aztec symbol of " + std::to_string(size.layers) +
                (size.compact ? " compact" : " full-range") + (size.layers == 1 ? " layer" : " layers") + ": " +
                std::to_string(words.size()) + " data codewords, room for " +
                std::to_string(std::min<std::size_t>(size.codewords() - std::min(needed, size.codewords()),
                                                     size.max_data_codewords()))));
        return build(size, words);
    }
    const int percent = options.error_correction.value_or(default_error_correction);
    const auto check_for = [&](std::size_t k) { return check_codewords_needed(sizes_by_side[k].codewords(), percent); };
    const auto smallest = [&](Plan& candidate, std::size_t limit) -> std::size_t {
        for (std::size_t k = 0; k < limit; ++k)
            if (candidate.fits(sizes_by_side[k], check_for(k))) return k;
        return limit;
    };
    std::size_t chosen = smallest(plan, sizes_by_side.size());
    // Stuffing cost the plan a codeword when a smaller size held its bits unstuffed, or when the size chosen
    // takes more codewords than the bits need; an alternative is taken only when it is smaller or takes fewer.
    const bool smaller_missed = chosen > 0 && plan.fits_unstuffed(sizes_by_side[chosen - 1], check_for(chosen - 1));
    if (smaller_missed || chosen == sizes_by_side.size() ||
        (sizes_by_side[chosen].word_size() <= widest_reweighed_word && plan.stuffing_cost(sizes_by_side[chosen])))
        for (const aztec::PlanBias& bias : alternative_biases) {
            Plan other = plan_with(bias);
            const std::size_t at = smallest(other, std::min(chosen + 1, sizes_by_side.size()));
            if (at < chosen || (at == chosen && at < sizes_by_side.size() &&
                                other.words(sizes_by_side[at]).size() < plan.words(sizes_by_side[at]).size()))
                plan = std::move(other), chosen = at;
        }
    if (chosen < sizes_by_side.size()) return build(sizes_by_side[chosen], plan.words(sizes_by_side[chosen]));
    return std::unexpected(TavloError::encoding("data too long for Aztec: " + std::to_string(data.size()) +
                                                " bytes need more than the 32 layers of the largest symbol"));
}

Result<MatrixGeometry> encode_aztec_rune(int value) {
    if (value < 0 || value > 255)
        return std::unexpected(TavloError::encoding("Aztec Rune value must be 0 to 255, got " + std::to_string(value)));
    return aztec::draw_rune(aztec::rune_message(unsigned(value)));
}

}  // namespace tavlo
