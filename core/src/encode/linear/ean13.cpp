#include "ean_upc.hpp"
#include "tavlo/encode_retail.hpp"

namespace tavlo {

Result<std::string> ean13_digits(std::string_view data) { return ean_upc::with_check_digit(data, "EAN-13", 12); }

Result<LinearGeometry> encode_ean13(std::string_view data) {
    auto digits = ean13_digits(data);
    if (!digits) return std::unexpected(digits.error());
    return bars_from_modules(ean_upc::ean13_modules(std::string_view(*digits).substr(0, 12)));
}

}  // namespace tavlo
