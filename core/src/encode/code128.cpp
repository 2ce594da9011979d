#include "tavlo/encode.hpp"

namespace tavlo {
Result<LinearGeometry> encode_code128(std::span<const Code128Symbol>) {
    return std::unexpected(TavloError::encoding("not implemented"));
}
}  // namespace tavlo
