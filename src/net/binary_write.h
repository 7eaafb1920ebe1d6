#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace qvestra::net {

// Writes bytes to file: mode 0 creates the file or replaces its content, any
// other mode appends. Returns false when the file could not be written.
bool BinaryWrite(const std::string& bytes, const std::filesystem::path& file, std::int64_t mode);

}  // namespace qvestra::net
