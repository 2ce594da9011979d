#include "pdf417_patterns.hpp"

namespace tavlo::pdf417 {

const std::array<std::array<std::uint16_t, codeword_count>, 3> codeword_patterns = {{
#include "pdf417_patterns.inc"
}};

}  // namespace tavlo::pdf417
