#include "store/data_folder.h"

#include <QDir>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <limits>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include "store/part_file.h"
#include "store/resume_record.h"
#include "store/sinks.h"

namespace qvestra::store {

bool IsPlainComponent(std::string_view name) {
    if (name.empty() || name.size() > 255) return false;
    if (name == "." || name.find("..") != std::string_view::npos) return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7f || c == '/' || c == '\\' || c == ':') return false;
    }
    return true;
}

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Owner only; a link is left as it is, never followed.
void KeepPrivate(const std::filesystem::path& folder) {
    std::error_code ec;
    if (std::filesystem::symlink_status(folder, ec).type() == std::filesystem::file_type::directory)
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace, ec);
}

// A real folder of the user running the program; not a link to one.
bool IsOwnFolder(const std::filesystem::path& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid();
}

// Made for the member alone from the start: a folder made with the umask's
// mode and tightened afterwards is open to every local user for a moment,
// long enough to keep a handle on it.
bool MakePrivateFolder(const std::filesystem::path& folder) {
    // A umask that takes the owner's own bits would leave it unusable: it
    // never gets more than 0700, so setting that afterwards opens nothing.
    if (::mkdir(folder.c_str(), 0700) == 0) return ::chmod(folder.c_str(), 0700) == 0;
    return errno == EEXIST && IsOwnFolder(folder);
}

}  // namespace

bool IsDocumentName(std::string_view name, std::string_view memberId) {
    if (!IsPlainComponent(name) || PartFile::IsPartName(name)) return false;
    const std::string memberPage = std::string(memberId) + ".html";
    for (std::string_view own :
         {std::string_view("qvuser.txt"), std::string_view("keika.txt"),
          std::string_view("Help.html"), std::string_view("images"), std::string_view(memberPage)})
        if (EqualsIgnoringCase(name, own)) return false;
    return true;
}

std::filesystem::path DataFolder::DefaultRoot() {
    return std::filesystem::path(QDir::homePath().toStdString()) / "qvestrafolder";
}

bool DataFolder::Exists() const {
    std::error_code ec;
    return std::filesystem::is_directory(root_, ec);
}

DataFolder::Ownership DataFolder::Owner() const {
    struct stat info {};
    if (::lstat(root_.c_str(), &info) != 0 && errno == ENOENT) return Ownership::kMissing;
    return IsOwnFolder(root_) ? Ownership::kMembers : Ownership::kNotMembers;
}

bool DataFolder::Create() const {
    std::error_code ec;
    std::filesystem::create_directories(root_.parent_path(), ec);
    return MakePrivateFolder(root_);
}

// Never the data folder itself: a copy that comes after the folder was
// removed (the contract ended) must not bring it back.
bool DataFolder::CreateImages() const { return Exists() && MakePrivateFolder(root_ / "images"); }

void DataFolder::Tighten() const {
    KeepPrivate(root_);
    KeepPrivate(root_ / "images");
}

namespace {

// True when deleting `folder` could take the home folder or the whole
// file system with it.
bool CoversHomeOrRoot(const std::filesystem::path& folder) {
    const auto normal = folder.lexically_normal();
    if (!normal.is_absolute() || normal == normal.root_path()) return true;
    const std::filesystem::path homes[] = {
        std::filesystem::path(QDir::homePath().toStdString()).lexically_normal(),
        std::filesystem::path(QDir(QDir::homePath()).canonicalPath().toStdString())};
    for (const auto& home : homes) {
        if (home.empty()) continue;
        const auto rel = home.lexically_relative(normal);
        if (!rel.empty() && *rel.begin() != "..") return true;
    }
    return false;
}

}  // namespace

bool DataFolder::Removable() const { return !root_.empty() && !CoversHomeOrRoot(root_); }

bool DataFolder::RemoveAll() const {
    if (!Removable()) return false;
    std::error_code ec;
    // remove_all removes links themselves and never descends through them.
    std::filesystem::remove_all(root_, ec);
    return !ec && !std::filesystem::exists(std::filesystem::symlink_status(root_, ec));
}

void DataFolder::RemovePartFiles(const std::set<std::string>& continuing) const {
    std::set<std::string> kept;
    for (const auto& folder : {root_, root_ / "images"}) {
        std::error_code ec;
        for (const auto& file : std::filesystem::directory_iterator(folder, ec)) {
            const std::string name = file.path().filename().string();
            const std::string target(PartFile::TargetOf(name));
            if (target.empty()) continue;
            std::error_code existsError;
            if (folder == root_ && continuing.contains(target) &&
                !std::filesystem::exists(
                    std::filesystem::symlink_status(root_ / target, existsError))) {
                kept.insert(target);
                continue;
            }
            // A link is removed itself, never what it points to.
            std::error_code removeError;
            if (file.is_regular_file(removeError) || file.is_symlink(removeError))
                std::filesystem::remove(file.path(), removeError);
        }
    }
    KeepPartsAboveTheFloor(kept);
}

void DataFolder::KeepPartsAboveTheFloor(const std::set<std::string>& kept) const {
    std::vector<KeptPart> parts;
    for (const std::string& target : kept) {
        const auto point = FindResumePoint(root_ / target);
        std::error_code ec;
        const auto written =
            std::filesystem::last_write_time(PartFile::NameFor(root_ / target), ec);
        if (point && !ec) parts.push_back({target, point->offset, point->record.total, written});
    }
    std::error_code ec;
    const auto space = std::filesystem::space(root_, ec);
    if (ec || parts.empty()) return;
    const auto available = static_cast<std::int64_t>(
        std::min<std::uintmax_t>(space.available, std::numeric_limits<std::int64_t>::max()));
    for (const std::string& target :
         PartsOverTheFloor(std::move(parts), available, StoreLimits::kDefaultKeepFree))
        ForgetPart(root_ / target);
}

std::optional<std::filesystem::path> DataFolder::FileFor(std::string_view name) const {
    if (!IsPlainComponent(name)) return std::nullopt;
    return root_ / std::filesystem::path(std::string(name));
}

}  // namespace qvestra::store
