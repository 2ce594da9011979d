// Deflate's symbols for a stretch of data chosen for the fewest bits, as a thorough compressor chooses them:
// every position's copies found through chains of earlier positions that hash alike, the cheapest path
// through literals and copies at given prices, and the prices learnt again from the path a few times over.
// Far slower than describing the data as runs; for callers who ask for the smallest output.
#pragma once

#include <cstdint>
#include <span>

#include "tokens.hpp"

namespace tavlo::deflate {

// The tokens of `data`, ended by end_block(). `data` is at most 2^31 - 1 bytes.
Tokens smallest_tokens(std::span<const std::uint8_t> data);

}  // namespace tavlo::deflate
