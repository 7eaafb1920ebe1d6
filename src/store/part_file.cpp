#include "store/part_file.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace qvestra::store {

namespace {

// The rename itself is only durable once the folder's entry is on disk.
void SyncFolder(const std::filesystem::path& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

PartFile::PartFile(std::filesystem::path target)
    : target_(std::move(target)), part_(NameFor(target_)) {}

PartFile::~PartFile() { Discard(); }

std::filesystem::path PartFile::NameFor(const std::filesystem::path& target) {
    return target.parent_path() / ("." + target.filename().string() + ".part");
}

bool PartFile::IsPartName(std::string_view fileName) {
    return fileName.size() > 6 && fileName.front() == '.' && fileName.ends_with(".part");
}

bool PartFile::FitsBeside(std::string_view fileName) {
    // NameFor puts a dot in front and ".part" behind.
    constexpr std::size_t kMaxNameBytes = 255;
    return fileName.size() + 6 <= kMaxNameBytes;
}

bool PartFile::Write(std::string_view bytes) {
    if (failed_) return false;
    if (!created_) {
        fd_ = ::open(part_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
        created_ = fd_ >= 0;
        failed_ = !created_;
    }
    while (!failed_ && !bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        failed_ = n <= 0;
        if (n > 0) bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return !failed_;
}

bool PartFile::Commit() {
    if (!created_ || failed_) {
        Discard();
        return false;
    }
    const bool synced = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    std::error_code ec;
    if (synced && closed) std::filesystem::rename(part_, target_, ec);
    if (!synced || !closed || ec) {
        Discard();
        return false;
    }
    created_ = false;
    SyncFolder(target_.parent_path());
    return true;
}

void PartFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    std::error_code ec;
    if (created_) std::filesystem::remove(part_, ec);
    created_ = false;
}

}  // namespace qvestra::store
