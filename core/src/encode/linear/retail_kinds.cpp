#include "retail_kinds.hpp"

#include <algorithm>
#include <string>
#include <utility>

#include "../shared/kind_options.hpp"
#include "tavlo/encode.hpp"
#include "tavlo/encode_retail.hpp"
#include "tavlo/gs1_check.hpp"

namespace tavlo {
namespace {

struct RetailOptions {
    std::string_view addon;  // empty: none
    std::uint32_t addon_gap = addon_gap_default;
    bool light_margin = false;
    bool from_upca = false;
    std::string_view variant = "00";
};

// Only the options the kind's row lists reach here, so reading one another kind lacks finds nothing.
// UPC-A's add-on stands at least its 9-module right quiet zone away, the others 7 (GS1 General
// Specifications 5.2.3.4).
constexpr std::uint32_t upc_a_addon_gap_least = 9;

Result<RetailOptions> parse(KindOptions options, std::uint32_t gap_least = addon_gap_least) {
    RetailOptions out;
    out.addon = kind_options::find(options, "addon").value_or("");
    out.variant = kind_options::find(options, "variant").value_or(out.variant);
    auto gap = kind_options::whole(options, "addon_gap", std::max(addon_gap_default, gap_least), gap_least,
                                   addon_gap_most);
    if (!gap) return std::unexpected(std::move(gap.error()));
    out.addon_gap = static_cast<std::uint32_t>(*gap);
    auto light_margin = kind_options::boolean(options, "light_margin", false);
    if (!light_margin) return std::unexpected(std::move(light_margin.error()));
    out.light_margin = *light_margin;
    auto from_upca = kind_options::boolean(options, "from_upca", false);
    if (!from_upca) return std::unexpected(std::move(from_upca.error()));
    out.from_upca = *from_upca;
    return out;
}

// The symbol with its add-on, if any, and the printed line: `headline` and a line break when there is one,
// the main digits, the add-on's, ">" for the light margin.
Result<Encoded> finish(Result<LinearGeometry> main, std::string_view headline, std::string_view digits,
                       const RetailOptions& options) {
    if (!main) return std::unexpected(std::move(main.error()));
    Encoded out;
    if (!headline.empty()) out.human_readable.append(headline).push_back('\n');
    out.human_readable.append(digits);
    if (options.addon.empty()) {
        out.geometry = std::move(*main);
    } else {
        auto addon = encode_ean_addon(options.addon);
        if (!addon) return std::unexpected(std::move(addon.error()));
        out.geometry = with_addon(*main, *addon, options.addon_gap);
        out.addon_modules = options.addon_gap + addon->total_modules;
        out.human_readable.append(options.addon);
    }
    if (options.light_margin) out.human_readable.push_back('>');
    return out;
}

Result<Encoded> ean13_kind(Result<std::string> digits, std::string_view headline, const RetailOptions& options) {
    if (!digits) return std::unexpected(std::move(digits.error()));
    return finish(encode_ean13(*digits), headline, *digits, options);
}

Result<Encoded> book_kind(Result<BookNumber> number, const RetailOptions& options) {
    if (!number) return std::unexpected(std::move(number.error()));
    return ean13_kind(number->ean13, number->headline, options);
}

}  // namespace

Result<Encoded> encode_ean13_kind(std::string_view data, KindOptions options) {
    auto parsed = parse(options);
    if (!parsed) return std::unexpected(std::move(parsed.error()));
    return ean13_kind(ean13_digits(data), {}, *parsed);
}

Result<Encoded> encode_upc_e_kind(std::string_view data, KindOptions options) {
    auto parsed = parse(options);
    if (!parsed) return std::unexpected(std::move(parsed.error()));
    auto digits = parsed->from_upca ? upc_a_to_upc_e(data) : upc_e_digits(data);
    if (!digits) return std::unexpected(std::move(digits.error()));
    return finish(encode_upc_e(*digits), {}, *digits, *parsed);
}

Result<Encoded> encode_upc_a_kind(std::string_view data, KindOptions options) {
    auto parsed = parse(options, upc_a_addon_gap_least);
    if (!parsed) return std::unexpected(std::move(parsed.error()));
    auto main = encode_upc_a(data);
    if (!main) return std::unexpected(std::move(main.error()));
    std::string digits(data.substr(0, 11));
    digits.push_back(static_cast<char>('0' + gs1::check_digit(digits)));
    return finish(std::move(main), {}, digits, *parsed);
}

Result<Encoded> encode_isbn_kind(std::string_view data, KindOptions options) {
    auto parsed = parse(options);
    if (!parsed) return std::unexpected(std::move(parsed.error()));
    return book_kind(isbn_to_ean13(data), *parsed);
}

Result<Encoded> encode_issn_kind(std::string_view data, KindOptions options) {
    auto parsed = parse(options);
    if (!parsed) return std::unexpected(std::move(parsed.error()));
    return book_kind(issn_to_ean13(data, parsed->variant), *parsed);
}

Result<Encoded> encode_ismn_kind(std::string_view data, KindOptions options) {
    auto parsed = parse(options);
    if (!parsed) return std::unexpected(std::move(parsed.error()));
    return book_kind(ismn_to_ean13(data), *parsed);
}

}  // namespace tavlo
