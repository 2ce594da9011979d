#include "industrial_kinds.hpp"

#include <utility>

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
    for (const KindOption& option : options) {
        if (option.name == "start" || option.name == "stop") {
            auto c = codabar::start_stop_option(option.name, option.value);
            if (!c) return std::unexpected(std::move(c.error()));
            (option.name == "start" ? typed.start : typed.stop) = *c;
        } else if (option.name == "check_digit") {
            auto flag = codabar::flag_option(option.name, option.value);
            if (!flag) return std::unexpected(std::move(flag.error()));
            typed.check_digit = *flag;
        } else if (option.name == "ratio") {
            auto wide = codabar::wide_option(option.value);
            if (!wide) return std::unexpected(std::move(wide.error()));
            typed.wide = *wide;
        }
    }
    auto geometry = encode_codabar(data, typed);
    if (!geometry) return std::unexpected(std::move(geometry.error()));
    return Encoded{std::move(*geometry), codabar_printed(data, typed)};
}

}  // namespace tavlo
