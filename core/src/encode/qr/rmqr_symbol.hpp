// rMQR symbol drawing (ISO/IEC 23941 6.3, 7.7 to 7.9): finder and sub-finder, corner patterns, timing on all
// four edges and down the alignment columns, the one data mask, and both copies of the format information.
#pragma once

#include <cstdint>
#include <span>

#include "rmqr_tables.hpp"
#include "tavlo/geometry.hpp"

namespace tavlo::rmqr {

// The symbol of `size`, index `size_index` in sizes(), from its interleaved codewords, `high` for level H.
MatrixGeometry draw_symbol(const Size& size, unsigned size_index, bool high, std::span<const std::uint8_t> codewords);

}  // namespace tavlo::rmqr
