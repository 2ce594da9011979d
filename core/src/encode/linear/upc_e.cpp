// UPC-E: a UPC-A of number system 0 or 1 with a run of zeros left out (GS1 General Specifications 5.2.2.4,
// ISO/IEC 15420 Table 5). The sixth digit says where the zeros were.
#include <algorithm>
#include <string>

#include "../../ascii.hpp"
#include "../../utf8.hpp"
#include "ean_upc.hpp"
#include "tavlo/encode_retail.hpp"
#include "tavlo/gs1_check.hpp"

namespace tavlo {
namespace {

// The UPC-A's 11 digits without check digit from the number system and the six UPC-E digits.
std::string expanded(std::string_view system_and_six) {
    const char ns = system_and_six[0];
    const std::string_view d = system_and_six.substr(1, 6);
    switch (d[5]) {
    case '0':
    case '1':
    case '2': return std::string{ns, d[0], d[1], d[5], '0', '0', '0', '0', d[2], d[3], d[4]};
    case '3': return std::string{ns, d[0], d[1], d[2], '0', '0', '0', '0', '0', d[3], d[4]};
    case '4': return std::string{ns, d[0], d[1], d[2], d[3], '0', '0', '0', '0', '0', d[4]};
    default: return std::string{ns, d[0], d[1], d[2], d[3], d[4], '0', '0', '0', '0', d[5]};
    }
}

bool zeros(std::string_view digits) { return digits.find_first_not_of('0') == std::string_view::npos; }

// The six UPC-E digits for a UPC-A body (number system, manufacturer M1-M5, item I1-I5), or empty. The
// forms are tried in the standard's order, so a number that two forms could carry gets the first.
std::string suppressed(std::string_view body) {
    const std::string_view m = body.substr(1, 5), item = body.substr(6, 5);
    if ((m[2] == '0' || m[2] == '1' || m[2] == '2') && zeros(m.substr(3)) && zeros(item.substr(0, 2)))
        return std::string{m[0], m[1], item[2], item[3], item[4], m[2]};
    if (zeros(m.substr(3)) && zeros(item.substr(0, 3))) return std::string{m[0], m[1], m[2], item[3], item[4], '3'};
    if (m[4] == '0' && zeros(item.substr(0, 4))) return std::string{m[0], m[1], m[2], m[3], item[4], '4'};
    if (zeros(item.substr(0, 4)) && item[4] >= '5') return std::string{m[0], m[1], m[2], m[3], m[4], item[4]};
    return {};
}

TavloError not_suppressible(std::string_view upc_a, std::string_view why) {
    return TavloError::invalid_data("UPC-A " + std::string(upc_a) + " cannot be written as UPC-E: " + std::string(why));
}

}  // namespace

Result<std::string> upc_e_digits(std::string_view data) {
    if (data.size() < 6 || data.size() > 8) {
        return std::unexpected(TavloError::invalid_data("Invalid length for UPC-E: expected 6, 7 or 8 digits, got " +
                                                        std::to_string(utf8::code_points(data))));
    }
    auto bad = utf8::first_refused(data, ascii::is_digit);
    if (!bad.empty()) return std::unexpected(TavloError::invalid_character("UPC-E", bad));
    // Six digits leave number system 0 to be understood.
    std::string digits(7 - std::min<std::size_t>(data.size(), 7), '0');
    digits.append(data.substr(0, 7));
    if (digits[0] != '0' && digits[0] != '1') {
        return std::unexpected(TavloError::invalid_data(
            std::string("Invalid number system for UPC-E: expected 0 or 1, got ") + digits[0]));
    }
    const std::string body = expanded(digits);
    const char check = static_cast<char>('0' + gs1::check_digit(body));
    if (data.size() == 8 && data[7] != check) return std::unexpected(TavloError::invalid_check_digit("UPC-E", check));
    // Each UPC-A has one UPC-E form: the first of the four that fits. Six digits that expand to a number an
    // earlier form carries are not a UPC-E (a scanner expands them, but no printer may make them).
    if (const std::string canonical = suppressed(body); canonical != std::string_view(digits).substr(1)) {
        return std::unexpected(TavloError::invalid_data("UPC-E " + std::string(data) + " is not the zero-suppressed " +
                                                        "form of its UPC-A " + body + check + ", which is " +
                                                        digits[0] + canonical + check));
    }
    digits.push_back(check);
    return digits;
}

std::string upc_e_to_upc_a(std::string_view digits8) { return expanded(digits8) + digits8[7]; }

Result<std::string> upc_a_to_upc_e(std::string_view upc_a) {
    auto digits = ean_upc::with_check_digit(upc_a, "UPC-A", 11);
    if (!digits) return std::unexpected(digits.error());
    const std::string_view body = std::string_view(*digits).substr(0, 11);
    if (body[0] != '0' && body[0] != '1') {
        return std::unexpected(not_suppressible(
            *digits, std::string("its number system is ") + body[0] + ", and UPC-E carries only 0 and 1"));
    }
    const std::string six = suppressed(body);
    if (six.empty()) {
        return std::unexpected(not_suppressible(
            *digits, "UPC-E leaves out zeros it does not have (a manufacturer number ending in 000, 100 or 200 "
                     "with an item number up to 999, ending in 00 with an item number up to 99, ending in 0 "
                     "with an item number up to 9, or an item number from 5 to 9)"));
    }
    std::string upc_e(1, body[0]);
    upc_e.append(six).push_back(digits->back());
    return upc_e;
}

Result<LinearGeometry> encode_upc_e(std::string_view data) {
    auto digits = upc_e_digits(data);
    if (!digits) return std::unexpected(digits.error());
    return bars_from_modules(ean_upc::upc_e_modules(*digits));
}

}  // namespace tavlo
