#include "store/part_file.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
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

namespace {
constexpr std::string_view kPartSuffix = ".part";
constexpr std::string_view kRecordSuffix = ".resume";
}  // namespace

std::filesystem::path PartFile::NameFor(const std::filesystem::path& target) {
    return target.parent_path() / ("." + target.filename().string() + std::string(kPartSuffix));
}

std::filesystem::path PartFile::RecordFor(const std::filesystem::path& target) {
    return target.parent_path() / ("." + target.filename().string() + std::string(kRecordSuffix));
}

std::string_view PartFile::TargetOf(std::string_view fileName) {
    if (!fileName.starts_with('.')) return {};
    for (const auto suffix : {kPartSuffix, kRecordSuffix})
        if (fileName.size() > suffix.size() + 1 && fileName.ends_with(suffix))
            return fileName.substr(1, fileName.size() - suffix.size() - 1);
    return {};
}

bool PartFile::FitsBeside(std::string_view fileName) {
    // The record's part file is the longest name: "..<name>.resume.part".
    constexpr std::size_t kMaxNameBytes = 255;
    return fileName.size() + 2 + kRecordSuffix.size() + kPartSuffix.size() <= kMaxNameBytes;
}

bool PartFile::Continue(std::int64_t size) {
    Discard();
    fd_ = ::open(part_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
    struct stat info {};
    if (fd_ >= 0 && ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode) && info.st_size == size) {
        created_ = true;
        return true;
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return false;
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

bool PartFile::Commit(bool synced) {
    if (!created_ || failed_) {
        Discard();
        return false;
    }
    const bool flushed = !synced || ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    std::error_code ec;
    if (flushed && closed) std::filesystem::rename(part_, target_, ec);
    // Left for the caller to keep or discard: its bytes may yet be whole.
    if (!flushed || !closed || ec) return false;
    created_ = false;
    if (synced) SyncFolder(target_.parent_path());
    return true;
}

void PartFile::Keep() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    created_ = false;
}

void PartFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    std::error_code ec;
    if (created_) std::filesystem::remove(part_, ec);
    created_ = false;
}

}  // namespace qvestra::store
