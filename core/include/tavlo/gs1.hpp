// GS1 element strings in their parenthesized form, e.g. "(01)09501101530003(17)250101(10)ABC123".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tavlo/error.hpp"
#include "tavlo/symbol.hpp"

namespace tavlo::gs1 {

// Never returns an empty list; failures are InvalidGs1.
Result<std::vector<AiField>> parse(std::string_view text);

// The data length of a predefined-length AI, or nothing for a variable-length one.
std::optional<std::size_t> fixed_ai_length(std::string_view ai);

// AIs and data concatenated, with GS (0x1D) after every variable-length element but the last.
std::string to_datamatrix_bytes(const std::vector<AiField>& fields);

}  // namespace tavlo::gs1
