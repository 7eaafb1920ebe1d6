#pragma once

#include <string>

namespace qvestra::demo {

// The service speaks Shift-JIS (code page 932); the demo's texts are
// written in UTF-8 and converted on the way out.
std::string ToShiftJis(const std::string& utf8);

}  // namespace qvestra::demo
