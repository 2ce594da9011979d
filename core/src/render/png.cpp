#include "tavlo/render.hpp"

namespace tavlo {
Result<PngBytes> render_linear_png(const LinearGeometry&, Unit, std::optional<std::uint32_t>, std::uint32_t, double, double) {
    return std::unexpected(TavloError::render("not implemented"));
}
Result<PngBytes> render_matrix_png(const MatrixGeometry&, Unit, std::optional<std::uint32_t>, std::uint32_t, double, double) {
    return std::unexpected(TavloError::render("not implemented"));
}
}  // namespace tavlo
