// What a label's planner tells the caller about a label it makes all the same: sizes that print but that the
// standard does not allow, or that a scanner may not read.
#pragma once

#include <string>
#include <vector>

#include "tavlo/label.hpp"

namespace tavlo::label {

// The printed X outside the kind's XRange; a bar width reduction of half a module or more.
std::vector<std::string> print_warnings(const KindSpec& kind, const Layout& layout);

}  // namespace tavlo::label
