#include "tavlo/unit.hpp"

namespace tavlo {
Result<Unit> unit_from_str(std::string_view text) {
    if (text == "in") return Unit::In;
    if (text == "mm") return Unit::Mm;
    if (text == "px") return Unit::Px;
    return std::unexpected(TavloError::invalid_unit(text));
}
Result<PixelSize> pixel_size(double, double, Unit, std::optional<std::uint32_t>) {
    return std::unexpected(TavloError::render("not implemented"));
}
}  // namespace tavlo
