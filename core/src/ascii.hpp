// Byte classes of ASCII text shared by the encoders and the GS1 parser.
#pragma once

namespace tavlo::ascii {

constexpr bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

}  // namespace tavlo::ascii
