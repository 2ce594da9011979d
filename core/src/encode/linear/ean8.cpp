#include "ean_upc.hpp"
#include "tavlo/encode.hpp"

namespace tavlo {

Result<LinearGeometry> encode_ean8(std::string_view data) {
    auto digits = ean_upc::validate(data, "EAN-8", 7);
    if (!digits) return std::unexpected(digits.error());
    // Only the 7 data digits go on: a given check digit has been verified, so 7 and 8 digits of one symbol
    // give one geometry.
    return bars_from_modules(ean_upc::ean8_modules(*digits));
}

}  // namespace tavlo
