// QR Code as the table of kinds calls it.
#pragma once

#include "tavlo/kinds.hpp"

namespace tavlo {

Result<Encoded> encode_qr_kind(std::string_view data, KindOptions options);

}  // namespace tavlo
