// The symbology encoders: validated data in, geometry out. Texts are UTF-8.
#pragma once

#include <span>
#include <string_view>

#include "tavlo/error.hpp"
#include "tavlo/geometry.hpp"
#include "tavlo/symbol.hpp"

namespace tavlo {

Result<LinearGeometry> encode_ean8(std::string_view data);
Result<LinearGeometry> encode_upc_a(std::string_view data);
Result<LinearGeometry> encode_code39(std::string_view data);
Result<LinearGeometry> encode_itf(std::string_view data);
// ITF whose stop bar is as wide as its other wide bars (3 modules, where encode_itf draws it 2).
Result<LinearGeometry> encode_itf_uniform(std::string_view data);
Result<LinearGeometry> encode_code128(std::span<const Code128Symbol> symbols);

// QR Code model 2 at level M, automatic segmentation, smallest version, best mask.
Result<MatrixGeometry> encode_qr(std::string_view payload);

enum class DataMatrixShape { Any, Square, Rectangular };

// Data Matrix ECC 200; with gs1 the codewords start with FNC1.
Result<MatrixGeometry> encode_datamatrix(std::string_view payload, bool gs1, DataMatrixShape shape);

}  // namespace tavlo
