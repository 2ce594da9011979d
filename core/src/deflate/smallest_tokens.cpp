#include "smallest_tokens.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <vector>

#include "zlib_stream.hpp"
#include "equal_prefix.hpp"

namespace tavlo::deflate {

namespace {

constexpr unsigned hash_bits = 15;
// Earlier positions tried at each position, nearest first.
constexpr unsigned max_chain = 128;
// A copy at least this long is taken as it is, and the positions it covers are not searched.
constexpr unsigned nice_length = 128;
// Parses after the first, each at the prices the one before it would get; they stop early once one gains
// nothing.
constexpr unsigned max_passes = 4;
constexpr std::uint32_t unreached = std::numeric_limits<std::uint32_t>::max();

// log2(1 + k/16) in sixteenths.
constexpr std::uint8_t log2_fraction[16] = {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 15};

// log2(x) in sixteenths, for x >= 1.
std::uint32_t log2_16(std::uint64_t x) {
    const unsigned top = static_cast<unsigned>(std::bit_width(x)) - 1;
    const auto next = static_cast<unsigned>(top >= 4 ? x >> (top - 4) & 15 : x << (4 - top) & 15);
    return 16 * top + log2_fraction[next];
}

// What a symbol used `count` times among `total` costs in a Huffman code, in sixteenths of a bit: from 1 to
// 15 bits, an unused symbol priced as if used once.
std::uint32_t price(std::uint64_t count, std::uint64_t total) {
    return std::clamp<std::uint32_t>(log2_16(total + 1) - log2_16(count + 1), 16, 15 * 16);
}

// What each symbol is expected to cost, in sixteenths of a bit, extra bits included.
struct Prices {
    std::array<std::uint32_t, 256> literal{};
    std::array<std::uint32_t, max_match + 1> length{};
    std::array<std::uint32_t, distance_symbols> distance{};

    std::uint32_t distance_to(std::uint32_t back) const {
        const DistanceCode code = distance_code(back);
        return distance[code.symbol] + 16u * code.extra_bits;
    }

    // As deflate's fixed code prices them: a first parse that takes every copy worth its fixed price.
    static Prices fixed() {
        Prices prices;
        for (unsigned byte = 0; byte < 256; ++byte) prices.literal[byte] = byte < 144 ? 8 * 16 : 9 * 16;
        for (unsigned length = min_match; length <= max_match; ++length) {
            const LengthCode code = length_codes[length];
            prices.length[length] = (code.symbol < 280 ? 7 * 16 : 8 * 16) + 16u * code.extra_bits;
        }
        prices.distance.fill(5 * 16);
        return prices;
    }

    // As a code made for these tokens would price them.
    static Prices learnt(const Tokens& tokens) {
        const auto& literals = tokens.literal_counts();
        const auto& distances = tokens.distance_counts();
        std::uint64_t total = 0, total_distances = 0;
        for (const std::uint64_t count : literals) total += count;
        for (const std::uint64_t count : distances) total_distances += count;
        Prices prices;
        for (unsigned byte = 0; byte < 256; ++byte) prices.literal[byte] = price(literals[byte], total);
        for (unsigned length = min_match; length <= max_match; ++length) {
            const LengthCode code = length_codes[length];
            prices.length[length] = price(literals[code.symbol], total) + 16u * code.extra_bits;
        }
        for (unsigned symbol = 0; symbol < distance_symbols; ++symbol) {
            prices.distance[symbol] = price(distances[symbol], total_distances);
        }
        return prices;
    }
};

// The cheapest path found to each position, forward over the data; the chains of earlier positions are
// made once and serve every pass.
class Parser {
public:
    explicit Parser(std::span<const std::uint8_t> data)
        : data_(data), chain_(data.size(), -1), steps_(data.size() + 1) {
        std::vector<std::int32_t> heads(std::size_t{1} << hash_bits, -1);
        for (std::uint32_t at = 0; at + min_match <= data_.size(); ++at) {
            std::int32_t& head = heads[hash_of(at)];
            chain_[at] = head;
            head = static_cast<std::int32_t>(at);
        }
    }

    Tokens parse(const Prices& prices) {
        prices_ = &prices;
        const auto size = static_cast<std::uint32_t>(data_.size());
        std::fill(steps_.begin(), steps_.end(), Step{unreached, 0, 0});
        steps_[0].cost = 0;
        std::uint32_t searched_from = 0;  // positions before it lie inside a long copy already taken
        for (std::uint32_t at = 0; at < size; ++at) {
            const std::uint32_t literal = steps_[at].cost + prices.literal[data_[at]];
            if (literal < steps_[at + 1].cost) steps_[at + 1] = {literal, 1, 0};
            if (at < searched_from) continue;
            const unsigned best = search(at);
            if (best >= nice_length) searched_from = at + best;
        }
        return tokens();
    }

private:
    struct Step {
        std::uint32_t cost;    // sixteenths of a bit from the start
        std::uint16_t length;  // of the step that ends here: 1 for a literal
        std::uint16_t back;    // distance of a copy
    };

    std::uint32_t hash_of(std::uint32_t at) const {
        const std::uint32_t three =
            std::uint32_t{data_[at]} << 16 | std::uint32_t{data_[at + 1]} << 8 | data_[at + 2];
        return three * 2654435761u >> (32 - hash_bits);
    }

    // Tries the copies from the positions that hash as `at` does, each as long as it goes, and prices every
    // length a nearer copy did not already reach. Returns the longest.
    unsigned search(std::uint32_t at) {
        const unsigned longest = std::min<std::size_t>(max_match, data_.size() - at);
        unsigned best = min_match - 1;
        if (longest < min_match) return 0;
        unsigned tried = 0;
        for (std::int32_t from = chain_[at]; from >= 0 && tried < max_chain; from = chain_[from], ++tried) {
            const std::uint32_t back = at - static_cast<std::uint32_t>(from);
            if (back > max_distance) break;
            if (data_[from + best] != data_[at + best]) continue;
            const auto length = static_cast<unsigned>(equal_prefix(&data_[from], &data_[at], longest));
            if (length <= best) continue;
            relax(at, best + 1, length, back);
            best = length;
            if (best == longest || best >= nice_length) break;
        }
        return best;
    }

    void relax(std::uint32_t at, unsigned from, unsigned to, std::uint32_t back) {
        const std::uint32_t base = steps_[at].cost + prices_->distance_to(back);
        for (unsigned length = std::max(from, min_match); length <= to; ++length) {
            const std::uint32_t cost = base + prices_->length[length];
            Step& step = steps_[at + length];
            if (cost < step.cost) step = {cost, static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(back)};
        }
    }

    // The cheapest path, found backwards, as tokens in order.
    Tokens tokens() {
        path_.clear();
        for (auto at = static_cast<std::uint32_t>(data_.size()); at > 0; at -= steps_[at].length) path_.push_back(at);
        Tokens tokens(path_.size() + 1);
        std::uint32_t at = 0;
        for (auto end = path_.rbegin(); end != path_.rend(); ++end) {
            const Step& step = steps_[*end];
            if (step.length == 1)
                tokens.literal(data_[at]);
            else
                tokens.match(step.length, distance_code(step.back));
            at = *end;
        }
        tokens.end_block();
        return tokens;
    }

    std::span<const std::uint8_t> data_;
    std::vector<std::int32_t> chain_;  // per position: the one before it that hashes alike, or -1
    std::vector<Step> steps_;
    std::vector<std::uint32_t> path_;
    const Prices* prices_ = nullptr;
};

}  // namespace

Tokens smallest_tokens(std::span<const std::uint8_t> data) {
    Parser parser(data);
    Tokens best = parser.parse(Prices::fixed());
    std::uint64_t best_bits = block_bits(best, data.size());
    for (unsigned pass = 1; pass < max_passes; ++pass) {
        Tokens next = parser.parse(Prices::learnt(best));
        const std::uint64_t bits = block_bits(next, data.size());
        if (bits >= best_bits) break;
        best = std::move(next);
        best_bits = bits;
    }
    return best;
}

}  // namespace tavlo::deflate
