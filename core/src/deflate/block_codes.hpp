// The codes of one compressed block, and the symbols it uses, which are all that building and writing them
// looks at: a label's image uses a few dozen of deflate's 316 symbols.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "huffman.hpp"
#include "tokens.hpp"

namespace tavlo::deflate {

// Every length is set, 0 for an unused symbol; only the codes of the symbols used are, as only they are
// written.
struct Codes {
    std::array<std::uint8_t, literal_symbols> literal_lengths{};
    std::array<std::uint16_t, literal_symbols> literal_codes;
    std::array<std::uint8_t, distance_symbols> distance_lengths{};
    std::array<std::uint16_t, distance_symbols> distance_codes;
};

// The symbols the tokens use, each alphabet's in increasing order. The end of the block is always one.
struct UsedSymbols {
    explicit UsedSymbols(const Tokens& tokens)
        : literal_count(used_symbols(tokens.literal_counts(), tokens.literals_seen(), literals.data())),
          distance_count(used_symbols(tokens.distance_counts(), tokens.distances_seen(), distances.data())) {}

    std::span<const std::uint16_t> literal() const { return std::span(literals).first(literal_count); }
    std::span<const std::uint16_t> distance() const { return std::span(distances).first(distance_count); }

    std::array<std::uint16_t, literal_symbols> literals;
    std::array<std::uint16_t, distance_symbols> distances;
    std::size_t literal_count;
    std::size_t distance_count;
};

}  // namespace tavlo::deflate
