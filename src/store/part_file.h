#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace qvestra::store {

// A file written under a temporary name beside its target and renamed over
// it only when complete, after its bytes and the rename have reached the
// disk: a power cut leaves the old file or the new one, never an empty one
// that the next start would trust. Not committed, it is removed. Every step
// is checked (a full disk fails the write, the fsync or the close), and the
// file is the member's alone (0600).
class PartFile {
  public:
    explicit PartFile(std::filesystem::path target);
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Writes go on at the end of the temporary file an earlier transfer
    // left, when it is a plain file of exactly `size` bytes; false (and
    // nothing opened) otherwise.
    bool Continue(std::int64_t size);
    // Creates (or empties) the temporary file on first use; false once any
    // write failed.
    bool Write(std::string_view bytes);
    // Puts the bytes written so far in place of the target. Unsynced, the
    // rename alone: for a file a power cut may lose, which its reader checks.
    // Failed, the temporary file stays for Keep or Discard.
    bool Commit(bool synced = true);
    void Discard();
    // Closes the temporary file and leaves it for a later transfer to continue.
    void Keep();

    // ".<name>.part" beside the target.
    static std::filesystem::path NameFor(const std::filesystem::path& target);
    // ".<name>.resume" beside the target: what the service said of the part.
    static std::filesystem::path RecordFor(const std::filesystem::path& target);
    // Whether a file name is one that NameFor or RecordFor gives; the name of
    // its target, without the folder, or an empty one.
    static std::string_view TargetOf(std::string_view fileName);
    static bool IsPartName(std::string_view fileName) { return !TargetOf(fileName).empty(); }
    // Whether a target of this file name has part file and record names the
    // file system can hold (255 bytes), the record's own part file included.
    static bool FitsBeside(std::string_view fileName);

  private:
    std::filesystem::path target_;
    std::filesystem::path part_;
    int fd_ = -1;
    bool created_ = false;
    bool failed_ = false;
};

}  // namespace qvestra::store
