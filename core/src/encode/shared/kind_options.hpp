// Reading a kind's named options: each reader finds the option by name and turns its text into a value, or
// refuses it with a message that names the option. Absent options give the caller's default.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "tavlo/kinds.hpp"

namespace tavlo::kind_options {

// The option's text, or nothing when the caller did not give it.
std::optional<std::string_view> find(KindOptions options, std::string_view name);

// "true"/"false" (also "1"/"0", "yes"/"no").
Result<bool> boolean(KindOptions options, std::string_view name, bool absent);

// A whole number in [least, most].
Result<std::int64_t> whole(KindOptions options, std::string_view name, std::int64_t absent, std::int64_t least,
                           std::int64_t most);

// The message for an option value the kind cannot use: "option 'mask' must be ..., not 'x'".
TavloError refused(std::string_view name, std::string_view value, std::string_view what_it_must_be);

}  // namespace tavlo::kind_options
