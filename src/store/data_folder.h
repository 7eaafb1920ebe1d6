#pragma once

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace qvestra::store {

// True for a name that can safely become one file name in the data folder:
// one plain path component, no "..", no separators, no control characters.
bool IsPlainComponent(std::string_view name);

// True for a name the service may give a document: a plain component that is
// none of the program's own files (the user file, keika.txt, Help.html, the
// member's page, the images folder, a temporary file), whatever its letter case.
bool IsDocumentName(std::string_view name, std::string_view memberId);

// The one local folder the client keeps everything in: the user file,
// status answers, mirrored pages and documents.
class DataFolder {
  public:
    // $HOME/qvestrafolder.
    static std::filesystem::path DefaultRoot();

    explicit DataFolder(std::filesystem::path root) : root_(std::move(root)) {}

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path UserFile() const { return root_ / "qvuser.txt"; }

    bool Exists() const;
    // Whether the folder may be used: it is not there yet, or it is a real
    // folder (not a link) of the user running the program. Anywhere else
    // someone else decides where the member's files go.
    enum class Ownership { kMissing, kMembers, kNotMembers };
    Ownership Owner() const;
    // Creates the folder when it does not exist yet, for the member alone
    // (0700) from its first moment; true when it is the member's folder now.
    bool Create() const;
    // The same for the images folder inside it, once the folder is there.
    bool CreateImages() const;
    // Takes the folder and its images folder from everybody else (0700), as a
    // folder made by an earlier version may still be readable by all.
    void Tighten() const;
    // False for a root that cannot be the data folder: empty, relative, "/",
    // the home folder or one above it.
    bool Removable() const;
    // Deletes the folder with everything in it, when it is Removable(). Links
    // inside are removed, never followed.
    bool RemoveAll() const;

    // Removes the temporary files of downloads and copies that an earlier
    // run left in the folder and its images folder, but for the parts (and
    // their records) of the documents named in `continuing` that are not
    // there yet: their downloads continue them. Those that continuing would
    // take below the disk's floor (StoreLimits) go too, the oldest first
    // (PartsOverTheFloor).
    void RemovePartFiles(const std::set<std::string>& continuing = {}) const;

    // The path of a file named by the service, or nothing when the name is not
    // one plain path component.
    std::optional<std::filesystem::path> FileFor(std::string_view name) const;

  private:
    void KeepPartsAboveTheFloor(const std::set<std::string>& kept) const;

    std::filesystem::path root_;
};

}  // namespace qvestra::store
