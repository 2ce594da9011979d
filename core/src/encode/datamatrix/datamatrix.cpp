#include <array>
#include <cstddef>
#include <span>

#include "datamatrix_encodation.hpp"
#include "datamatrix_placement.hpp"
#include "datamatrix_reed_solomon.hpp"
#include "tavlo/encode.hpp"

namespace tavlo {

Result<MatrixGeometry> encode_datamatrix(std::string_view payload, bool gs1, DataMatrixShape shape) {
    std::array<datamatrix::SymbolSize, datamatrix::symbol_sizes.size()> sizes{};
    std::size_t count = 0;
    for (const auto& size : datamatrix::symbol_sizes) {
        const bool keep = shape == DataMatrixShape::Any || (shape == DataMatrixShape::Square) == size.square();
        if (keep) sizes[count++] = size;
    }
    if (count == 0) return std::unexpected(TavloError::encoding("symbol list is empty for requested shape"));

    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size());
    auto encodation = datamatrix::encode_data_codewords(bytes, gs1, std::span(sizes.data(), count));
    if (!encodation) return std::unexpected(TavloError::encoding("Data Matrix encoding failed: TooMuchOrIllegalData"));
    datamatrix::append_error_correction(encodation->codewords, encodation->size);
    return datamatrix::place_modules(encodation->codewords, encodation->size);
}

}  // namespace tavlo
