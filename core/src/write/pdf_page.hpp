// The pieces of a PDF that a one-page label and a multi-page sheet share: a drawing's page content and the
// objects around it, and the file written from numbered objects.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tavlo/label.hpp"

namespace tavlo::label::pdf {

// The operators that draw `drawing` on a page of its size, in dots from the top-left corner.
std::string page_content(const Drawing& drawing);

// The page object of `drawing`, child of object `parent`, drawn by the content stream object `contents`: its
// MediaBox in points and the resources its content names.
std::string page_object(const Drawing& drawing, int parent, int contents);

// A stream object holding `content` compressed.
std::string content_stream(const std::string& content);

// The file of `objects`, numbered from 1 in order, with object 1 as the document catalogue.
std::vector<std::uint8_t> file_of_objects(std::span<const std::string> objects);

}  // namespace tavlo::label::pdf
