// The DataBar kinds as the table of kinds calls them: one-row symbols give bars, stacked ones a matrix whose
// rows repeat as many times as they are modules high.
#pragma once

#include "tavlo/kinds.hpp"

namespace tavlo {

Result<Encoded> encode_databar_kind(std::string_view data, KindOptions options);
Result<Encoded> encode_databar_truncated_kind(std::string_view data, KindOptions options);
Result<Encoded> encode_databar_stacked_kind(std::string_view data, KindOptions options);
Result<Encoded> encode_databar_stacked_omni_kind(std::string_view data, KindOptions options);
Result<Encoded> encode_databar_limited_kind(std::string_view data, KindOptions options);
Result<Encoded> encode_databar_expanded_kind(std::string_view data, KindOptions options);
// Option "segments_per_row": even, 2 to 20; 4 when not given.
Result<Encoded> encode_databar_expanded_stacked_kind(std::string_view data, KindOptions options);

}  // namespace tavlo
