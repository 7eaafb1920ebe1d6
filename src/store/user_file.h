#pragma once

#include <QString>
#include <filesystem>
#include <optional>

namespace qvestra::store {

// The first comma-delimited field of a line: leading blanks skipped, up to
// the first comma, or the quoted text when the field begins with a quote.
QString FirstField(const QString& line);

// The member number: the second "-"-separated piece of the member ID, all
// digits, written without leading zeros. Nothing when there is no such piece.
std::optional<QString> MemberNumber(const QString& memberId);

// A record with the user file's layout: member ID, "|", one digit.
struct UserRecordParts {
    QString memberId;
    QString status;
    QString memberNumber;
};

// Checks the whole layout, including that the member ID can safely name a
// file and carries a member number. Nothing when any rule is broken.
std::optional<UserRecordParts> ParseUserRecord(const QString& record);

// Replaces the whole content of file with text + CR LF in code page 932. The
// new content goes to a temporary file that is renamed over the old one, so
// the file is never half-written: false leaves the old content whole.
bool WriteLineAtomically(const std::filesystem::path& file, const QString& text);

// The one-line user file, in code page 932.
class UserFile {
  public:
    explicit UserFile(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path& Path() const { return path_; }
    // Everything up to the first line end; nothing when the file cannot be read.
    std::optional<QString> ReadLine() const;
    std::optional<QString> ReadFirstField() const;
    // The record when the file holds one in the user file's layout: the
    // member known on this computer. A missing or damaged file knows none.
    std::optional<QString> KnownRecord() const;
    bool Write(const QString& text) const { return WriteLineAtomically(path_, text); }

  private:
    std::filesystem::path path_;
};

}  // namespace qvestra::store
