#pragma once

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

    // Creates (or empties) the temporary file on first use; false once any
    // write failed.
    bool Write(std::string_view bytes);
    // Puts the bytes written so far in place of the target.
    bool Commit();
    void Discard();

    // ".<name>.part" beside the target.
    static std::filesystem::path NameFor(const std::filesystem::path& target);
    // Whether a file name is one that NameFor gives.
    static bool IsPartName(std::string_view fileName);
    // Whether a target of this file name has a part file name the file
    // system can hold (255 bytes).
    static bool FitsBeside(std::string_view fileName);

  private:
    std::filesystem::path target_;
    std::filesystem::path part_;
    int fd_ = -1;
    bool created_ = false;
    bool failed_ = false;
};

}  // namespace qvestra::store
