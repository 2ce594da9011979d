#include "industrial_kinds.hpp"

#include <string>
#include <utility>

#include "../shared/kind_options.hpp"
#include "codabar_options.hpp"
#include "tavlo/encode_industrial.hpp"

namespace tavlo {

Result<Encoded> encode_code93_kind(std::string_view data, KindOptions) {
    auto geometry = encode_code93(data);
    if (!geometry) return std::unexpected(std::move(geometry.error()));
    return Encoded{std::move(*geometry), std::string(data)};
}

Result<Encoded> encode_codabar_kind(std::string_view data, KindOptions options) {
    CodabarOptions typed;
    for (auto [name, start_stop] : {std::pair{"start", &typed.start}, std::pair{"stop", &typed.stop}}) {
        const auto text = kind_options::find(options, name);
        if (!text) continue;
        auto c = codabar::start_stop_option(name, *text);
        if (!c) return std::unexpected(std::move(c.error()));
        *start_stop = *c;
    }
    auto check_digit = kind_options::boolean(options, "check_digit", false);
    if (!check_digit) return std::unexpected(std::move(check_digit.error()));
    typed.check_digit = *check_digit;
    if (const auto ratio = kind_options::find(options, "ratio")) {
        auto wide = codabar::wide_option(*ratio);
        if (!wide) return std::unexpected(std::move(wide.error()));
        typed.wide = *wide;
    }
    auto geometry = encode_codabar(data, typed);
    if (!geometry) return std::unexpected(std::move(geometry.error()));
    return Encoded{std::move(*geometry), codabar_printed(data, typed)};
}

}  // namespace tavlo
