#include "store/plain_file.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvestra::store {

std::optional<std::string> ReadPlainFile(const std::filesystem::path& file, std::size_t maxBytes) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        bytes.emplace(maxBytes, '\0');
        std::size_t got = 0;
        while (got < maxBytes) {
            const ssize_t n = ::read(fd, bytes->data() + got, maxBytes - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) bytes.reset();
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        if (bytes) bytes->resize(got);
    }
    ::close(fd);
    return bytes;
}

}  // namespace qvestra::store
