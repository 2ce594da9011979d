// The pieces of a PDF that a one-page label and a multi-page sheet share: a drawing's page content and the
// objects around it, and the file written from numbered objects.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tavlo/label.hpp"

namespace tavlo::label::pdf {

// The objects of the page that draws `drawing`, numbered from `first` on: the page object itself (child of
// the page tree `parent`), then its content stream and whatever its resources name.
std::vector<std::string> page_objects(const Drawing& drawing, int parent, int first,
                                      const VectorOptions& options = {});

// The file of `objects`, numbered from 1 in order, with object 1 as the document catalogue.
std::vector<std::uint8_t> file_of_objects(std::span<const std::string> objects);

}  // namespace tavlo::label::pdf
