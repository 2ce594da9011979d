#include <string>

#include "ean_upc.hpp"
#include "tavlo/encode.hpp"

namespace tavlo {

Result<LinearGeometry> encode_upc_a(std::string_view data) {
    auto digits = ean_upc::validate(data, "UPC-A", 11);
    if (!digits) return std::unexpected(digits.error());
    // UPC-A is EAN-13 with a leading 0: all six left-half digits in number set A.
    return bars_from_modules(ean_upc::ean13_modules("0" + std::string(*digits)));
}

}  // namespace tavlo
