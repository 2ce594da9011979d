#include "qr_kinds.hpp"

#include <charconv>
#include <string>

#include "tavlo/encode.hpp"
#include "tavlo/encode_qr_family.hpp"

namespace tavlo {
namespace {

TavloError bad(std::string_view option, std::string_view expected, std::string_view value) {
    return TavloError::invalid_option(std::string(option) + " must be " + std::string(expected) + ", not '" +
                                std::string(value) + "'");
}

// A whole decimal number in [low, high], the whole text.
std::optional<long> number_in(std::string_view text, long low, long high) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

Result<QrLevel> level_of(std::string_view value, std::string_view allowed) {
    if (value.size() == 1 && allowed.find(value[0]) != std::string_view::npos) {
        constexpr std::string_view order = "LMQH";
        return QrLevel(order.find(value[0]));
    }
    std::string choices;
    for (std::size_t i = 0; i < allowed.size(); ++i)
        choices += std::string(i == 0 ? "" : i + 1 == allowed.size() ? " or " : ", ") + allowed[i];
    return std::unexpected(bad("error_correction", choices, value));
}

Result<int> int_option(std::string_view name, std::string_view value, long low, long high) {
    if (const auto n = number_in(value, low, high)) return int(*n);
    return std::unexpected(bad(name, "a whole number in " + std::to_string(low) + " to " + std::to_string(high), value));
}

Result<bool> bool_option(std::string_view name, std::string_view value) {
    if (value == "true" || value == "True" || value == "1") return true;
    if (value == "false" || value == "False" || value == "0") return false;
    return std::unexpected(bad(name, "true or false", value));
}

// "index,count,parity", as written or as a Python tuple's text "(1, 3, 85)".
Result<QrStructuredAppend> structured_append_of(std::string_view value) {
    std::string text;
    for (char c : value)
        if (c != ' ' && c != '(' && c != ')') text += c;
    const auto first = text.find(','), second = text.find(',', first + 1);
    const auto error = bad("structured_append", "(index, count, parity) with count 2 to 16, index below it, "
                                                "parity 0 to 255", value);
    if (first == std::string::npos || second == std::string::npos) return std::unexpected(error);
    const auto index = number_in(std::string_view(text).substr(0, first), 0, 15);
    const auto count = number_in(std::string_view(text).substr(first + 1, second - first - 1), 2, 16);
    const auto parity = number_in(std::string_view(text).substr(second + 1), 0, 255);
    if (!index || !count || !parity || *index >= *count) return std::unexpected(error);
    return QrStructuredAppend{unsigned(*index), unsigned(*count), std::uint8_t(*parity)};
}

Result<Encoded> encoded(Result<MatrixGeometry> geometry) {
    if (!geometry) return std::unexpected(geometry.error());
    return Encoded{std::move(*geometry), {}, 0};
}

}  // namespace

Result<Encoded> encode_qr_kind(std::string_view data, KindOptions options) {
    if (options.empty()) return encoded(encode_qr(data));
    QrOptions o;
    for (const KindOption& option : options) {
        const auto& [name, value] = option;
        if (name == "error_correction") {
            const auto level = level_of(value, "LMQH");
            if (!level) return std::unexpected(level.error());
            o.level = *level;
        } else if (name == "version" || name == "mask") {
            const auto n = name == "version" ? int_option(name, value, 1, 40) : int_option(name, value, 0, 7);
            if (!n) return std::unexpected(n.error());
            (name == "version" ? o.version : o.mask) = *n;
        } else if (name == "boost_error") {
            const auto b = bool_option(name, value);
            if (!b) return std::unexpected(b.error());
            o.boost_error = *b;
        } else if (name == "eci") {
            const auto n = int_option(name, value, 0, 999999);
            if (!n) return std::unexpected(n.error());
            o.eci = std::uint32_t(*n);
        } else if (name == "structured_append") {
            const auto sa = structured_append_of(value);
            if (!sa) return std::unexpected(sa.error());
            o.structured_append = *sa;
        }
    }
    return encoded(encode_qr(data, o));
}

Result<Encoded> encode_micro_qr_kind(std::string_view data, KindOptions options) {
    MicroQrOptions o;
    for (const auto& [name, value] : options) {
        if (name == "error_correction") {
            const auto level = level_of(value, "LMQ");
            if (!level) return std::unexpected(level.error());
            o.level = *level;
        } else if (name == "version") {
            const std::string_view digits = value.starts_with('M') ? value.substr(1) : value;
            const auto n = number_in(digits, 1, 4);
            if (!n) return std::unexpected(bad(name, "M1, M2, M3 or M4", value));
            o.version = int(*n);
        } else if (name == "mask") {
            const auto n = int_option(name, value, 0, 3);
            if (!n) return std::unexpected(n.error());
            o.mask = *n;
        }
    }
    return encoded(encode_micro_qr(data, o));
}

Result<Encoded> encode_rmqr_kind(std::string_view data, KindOptions options) {
    RmqrOptions o;
    for (const auto& [name, value] : options) {
        if (name == "error_correction") {
            const auto level = level_of(value, "MH");
            if (!level) return std::unexpected(level.error());
            o.level = *level;
        } else if (name == "height") {
            const auto n = int_option(name, value, 7, 17);
            if (!n || *n % 2 == 0) return std::unexpected(bad(name, "7, 9, 11, 13, 15 or 17", value));
            if (o.height && *o.height != *n)
                return std::unexpected(TavloError::encoding("height and size name different heights"));
            o.height = *n;
        } else if (name == "size") {
            const auto x = value.find('x');
            const auto h = value.starts_with('R') && x != std::string_view::npos
                               ? number_in(value.substr(1, x - 1), 7, 17)
                               : std::nullopt;
            const auto w = h ? number_in(value.substr(x + 1), 27, 139) : std::nullopt;
            if (!w) return std::unexpected(bad(name, "an rMQR size such as R13x77", value));
            if (o.height && *o.height != *h)
                return std::unexpected(TavloError::encoding("height and size name different heights"));
            o.height = int(*h);
            o.width = int(*w);
        }
    }
    return encoded(encode_rmqr(data, o));
}

}  // namespace tavlo
