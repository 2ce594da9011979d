// Labels placed on a larger drawing: a sheet's page or a template. Parts move by whole dots only, so a part
// prints exactly as it would alone.
#include <string>

#include "tavlo/sheet.hpp"

namespace tavlo::label {
namespace {

std::string size_text(std::uint32_t width, std::uint32_t height) {
    return std::to_string(width) + " x " + std::to_string(height) + " dots";
}

// Compared in 64 bits: a position near 2^32 plus a size must not wrap around and pass.
bool fits(std::uint32_t position, std::uint32_t size, std::uint32_t room) {
    return std::uint64_t(position) + size <= room;
}

}  // namespace

Result<void> place(Drawing& page, const Drawing& part, std::uint32_t x, std::uint32_t y) {
    if (part.dpi != page.dpi) {
        return std::unexpected(TavloError::render("a part drawn at " + std::to_string(part.dpi) +
                                                  " dpi cannot be placed on a page at " + std::to_string(page.dpi) +
                                                  " dpi"));
    }
    if (!fits(x, part.width, page.width) || !fits(y, part.height, page.height)) {
        return std::unexpected(TavloError::render("a part of " + size_text(part.width, part.height) + " at (" +
                                                  std::to_string(x) + ", " + std::to_string(y) +
                                                  ") reaches outside the page of " +
                                                  size_text(page.width, page.height)));
    }
    page.rects.reserve(page.rects.size() + part.rects.size());
    for (const Rect& r : part.rects) page.rects.push_back({r.x + x, r.y + y, r.w, r.h});
    page.texts.reserve(page.texts.size() + part.texts.size());
    for (TextItem item : part.texts) {
        item.x += x;
        item.baseline += y;
        page.texts.push_back(std::move(item));
    }
    return {};
}

Result<Position> place_in_cell(const Rect& cell, std::uint32_t width, std::uint32_t height, CellAnchor anchor) {
    if (width > cell.w || height > cell.h) {
        return std::unexpected(TavloError::render("a label of " + size_text(width, height) +
                                                  " does not fit its cell of " + size_text(cell.w, cell.h)));
    }
    if (anchor == CellAnchor::TopLeft) return Position{cell.x, cell.y};
    // The odd dot is left over on the right and below, as a fixed-size label centres its symbol.
    return Position{cell.x + (cell.w - width) / 2, cell.y + (cell.h - height) / 2};
}

}  // namespace tavlo::label
