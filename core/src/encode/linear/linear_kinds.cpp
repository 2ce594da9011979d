#include "linear_kinds.hpp"

#include <string>

#include "tavlo/encode.hpp"
#include "tavlo/gs1_check.hpp"
#include "tavlo/gs1_linear.hpp"

namespace tavlo {
namespace {

// The bars of `encoded` with `line` printed under them.
Result<Encoded> with_line(Result<LinearGeometry>&& encoded, std::string line) {
    if (!encoded) return std::unexpected(encoded.error());
    return Encoded{std::move(*encoded), std::move(line)};
}

// EAN-8 and UPC-A print their check digit, which the caller may leave to the encoder to compute.
std::string with_check_digit(std::string_view data, std::size_t data_digits) {
    std::string line(data);
    if (line.size() == data_digits) line += char('0' + gs1::check_digit(line));
    return line;
}

}  // namespace

Result<Encoded> encode_ean8_kind(std::string_view data, KindOptions) {
    return with_line(encode_ean8(data), with_check_digit(data, 7));
}

Result<Encoded> encode_upc_a_kind(std::string_view data, KindOptions) {
    return with_line(encode_upc_a(data), with_check_digit(data, 11));
}

Result<Encoded> encode_code39_kind(std::string_view data, KindOptions) {
    return with_line(encode_code39(data), std::string(data));
}

Result<Encoded> encode_itf_kind(std::string_view data, KindOptions) {
    return with_line(encode_itf(data), std::string(data));
}

Result<Encoded> encode_itf14_kind(std::string_view data, KindOptions) {
    auto digits = itf14_digits(data);
    if (!digits) return std::unexpected(digits.error());
    auto bars = encode_itf(*digits);  // before the digits move into the line
    return with_line(std::move(bars), std::move(*digits));
}

}  // namespace tavlo
