// Codabar's option values, read from their text by the kind's adapter and checked again by the typed encoder,
// with one set of messages naming the option.
#pragma once

#include <cstdint>
#include <string_view>

#include "tavlo/error.hpp"

namespace tavlo::codabar {

// "A" to "D" for the option `name` ("start" or "stop").
Result<char> start_stop_option(std::string_view name, std::string_view text);

// The wide element in modules for a ratio "2", "2:1", "3" or "3:1".
Result<std::uint32_t> wide_option(std::string_view text);

// "true" or "false" ("True", "False" as Python writes them) for the option `name`.
Result<bool> flag_option(std::string_view name, std::string_view text);

}  // namespace tavlo::codabar
