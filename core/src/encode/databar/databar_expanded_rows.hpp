// DataBar Expanded's rows: the element widths of the segment pairs laid out in one row, or stacked with the
// three separator rows between rows (ISO/IEC 24724, 7.2.7 and 7.2.8).
#pragma once

#include <cstdint>
#include <vector>

#include "tavlo/encode_databar.hpp"

namespace tavlo::databar {

// One segment pair: a character read backward, a finder, a character read forward (21 elements), or, last
// in a symbol with an odd number of characters, the character and the finder alone (13).
using SegmentPair = std::vector<int>;

// The pairs in one row of 34 modules; `segments_per_row` 0, or even from 2 to 20 for Expanded Stacked.
std::vector<DataBarRow> expanded_rows(const std::vector<SegmentPair>& pairs, std::uint32_t segments_per_row);

}  // namespace tavlo::databar
