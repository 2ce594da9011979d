// PDF417 and MicroPDF417 as the table of kinds calls them.
#pragma once

#include "tavlo/kinds.hpp"

namespace tavlo {

// Bytes. Options: error_correction (0-8), columns (1-30), rows (3-90), compact, eci, and for Macro PDF417
// segment_index (0-99998), file_id (digits in groups of three) and last_segment.
Result<Encoded> encode_pdf417_kind(std::string_view data, KindOptions options);
// Bytes. Options: columns (1-4), eci.
Result<Encoded> encode_micro_pdf417_kind(std::string_view data, KindOptions options);

}  // namespace tavlo
