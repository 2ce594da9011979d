#include "kind_options.hpp"

#include <algorithm>
#include <charconv>
#include <string>

namespace tavlo::kind_options {

std::optional<std::string_view> find(KindOptions options, std::string_view name) {
    const auto option = std::ranges::find(options, name, &KindOption::name);
    if (option == options.end()) return std::nullopt;
    return option->value;
}

TavloError refused(std::string_view name, std::string_view value, std::string_view what_it_must_be) {
    return TavloError::invalid_option("option '" + std::string(name) + "' must be " + std::string(what_it_must_be) +
                                ", not '" + std::string(value) + "'");
}

Result<bool> boolean(KindOptions options, std::string_view name, bool absent) {
    const auto text = find(options, name);
    if (!text) return absent;
    if (*text == "true" || *text == "1" || *text == "yes") return true;
    if (*text == "false" || *text == "0" || *text == "no") return false;
    return std::unexpected(refused(name, *text, "true or false"));
}

Result<std::int64_t> whole(KindOptions options, std::string_view name, std::int64_t absent, std::int64_t least,
                           std::int64_t most) {
    const auto text = find(options, name);
    if (!text) return absent;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (text->empty() || error != std::errc() || end != text->data() + text->size() || value < least ||
        value > most) {
        return std::unexpected(
            refused(name, *text, "a whole number from " + std::to_string(least) + " to " + std::to_string(most)));
    }
    return value;
}

}  // namespace tavlo::kind_options
