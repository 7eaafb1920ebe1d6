#include "net/binary_write.h"

#include <fstream>

namespace qvestra::net {

bool BinaryWrite(const std::string& bytes, const std::filesystem::path& file, std::int64_t mode) {
    const auto openMode =
        std::ios::binary | std::ios::out | (mode == 0 ? std::ios::trunc : std::ios::app);
    std::ofstream out(file, openMode);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace qvestra::net
