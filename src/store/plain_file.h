#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace qvestra::store {

// The first maxBytes (at most) of a plain file, opened without following a
// link and without waiting on a pipe; nothing when it is anything else or
// cannot be read.
std::optional<std::string> ReadPlainFile(const std::filesystem::path& file, std::size_t maxBytes);

}  // namespace qvestra::store
