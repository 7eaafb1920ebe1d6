#pragma once

#include <string>
#include <vector>

namespace qvestra::demo {

// A small valid one-page PDF showing the given lines (ASCII, Helvetica).
std::string MakePdf(const std::vector<std::string>& lines);

}  // namespace qvestra::demo
