// Codabar's start, stop and ratio values, read from their text by the kind's adapter and checked again by the
// typed encoder, with one set of messages naming the option (kind_options::refused).
#pragma once

#include <cstdint>
#include <string_view>

#include "tavlo/error.hpp"

namespace tavlo::codabar {

// "A" to "D" for the option `name` ("start" or "stop").
Result<char> start_stop_option(std::string_view name, std::string_view text);

// The wide element in modules for the option ratio: "2:1" or "3:1", also written "2" or "3".
Result<std::uint32_t> wide_option(std::string_view text);

}  // namespace tavlo::codabar
