#include "tavlo/gs1.hpp"

namespace tavlo::gs1 {
Result<std::vector<AiField>> parse(std::string_view) { return std::unexpected(TavloError::invalid_gs1("not implemented")); }
std::optional<std::size_t> fixed_ai_length(std::string_view) { return std::nullopt; }
std::string to_datamatrix_bytes(const std::vector<AiField>&) { return {}; }
}  // namespace tavlo::gs1
