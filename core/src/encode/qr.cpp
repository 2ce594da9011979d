#include "tavlo/encode.hpp"

namespace tavlo {
Result<MatrixGeometry> encode_qr(std::string_view) { return std::unexpected(TavloError::encoding("not implemented")); }
}  // namespace tavlo
