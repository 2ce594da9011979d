// The PNG of a matrix symbol's label from its modules, for render_png.
#pragma once

#include "matrix_bands.hpp"
#include "tavlo/label.hpp"

namespace tavlo::label {

// The bytes write_png gives for the drawing of `matrix` at `placement` without a bar width reduction, the
// frame, colours and text taken from `drawing`, whose rectangles are not read.
Result<PngBytes> write_matrix_png(const Drawing& drawing, const MatrixGeometry& matrix,
                                  const png::MatrixPlacement& placement, bool smallest);

}  // namespace tavlo::label
