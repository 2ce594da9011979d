#include "tavlo/encode.hpp"

namespace tavlo {
Result<LinearGeometry> encode_code39(std::string_view) { return std::unexpected(TavloError::encoding("not implemented")); }
}  // namespace tavlo
