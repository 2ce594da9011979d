#include "tavlo/encode.hpp"

namespace tavlo {
Result<MatrixGeometry> encode_datamatrix(std::string_view, bool, DataMatrixShape) {
    return std::unexpected(TavloError::encoding("not implemented"));
}
}  // namespace tavlo
