#include "human_readable.hpp"

namespace tavlo::label {

// No glyphs are drawn yet, so no symbol asks for room.
std::uint32_t text_band_height(const Symbol&, std::uint32_t, std::uint32_t) { return 0; }

void add_human_readable(Drawing&, const Symbol&, const Layout&) {}

}  // namespace tavlo::label
