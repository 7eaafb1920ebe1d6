#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvestra::store {

// What the service said of a document whose transfer may end early: its
// whole length and its validator (an ETag, or else a Last-Modified date).
// Kept beside the part file, it lets the next request ask for the rest of
// that same document and nothing else.
struct ResumeRecord {
    std::int64_t total = 0;
    std::string validator;
};

// A validator that may go back to the service in a request line of its own:
// 1 to 200 printable ASCII characters, no blank at either end, and no weak
// ETag (W/...), which If-Range may not carry.
bool IsUsableValidator(std::string_view validator);

// What a part is recorded with: the reply's ETag when usable, else its
// Last-Modified date when HTTP counts it strong (the reply's own Date at
// least 60 s after it), else nothing (empty): a date that may name two
// versions could join the start of one to the rest of the other.
std::string ResumeValidator(std::string_view etag, std::string_view lastModified,
                            std::string_view date);

// The record goes beside the target's part file, the member's alone; a
// power cut may lose it, which costs the next transfer its head start only.
// The part itself is not flushed either: the file systems of a desktop
// (ext4, XFS, btrfs) never show a tail that was not written, and a part
// shorter than what came is only continued from where it ends.
bool WriteResumeRecord(const std::filesystem::path& target, const ResumeRecord& record);

// Where a document's transfer continues: the bytes its part file holds and
// the record they belong to.
struct ResumePoint {
    std::int64_t offset = 0;
    ResumeRecord record;
};

// The part file and its record, when both are whole and agree: a plain file
// shorter than the recorded length, a record of exactly "<total>\n<validator>\n".
// Anything else is never trusted: part and record go, and the document
// starts over.
std::optional<ResumePoint> FindResumePoint(const std::filesystem::path& target);

// A part kept for its document's next transfer.
struct KeptPart {
    std::string target;
    std::int64_t size = 0;
    // The document's whole length, as recorded.
    std::int64_t total = 0;
    std::filesystem::file_time_type written;
};

// The targets whose parts go so that continuing the others keeps the disk
// above its floor: while what the kept parts still need (each its total
// less its size) is more than the free space above the floor, the part
// written longest ago goes, giving back its own bytes.
std::vector<std::string> PartsOverTheFloor(std::vector<KeptPart> parts, std::int64_t available,
                                           std::int64_t floor);

// Removes the target's part file and record.
void ForgetPart(const std::filesystem::path& target);

// "Range: bytes=<offset>-" and "If-Range: <validator>", each ending in CR LF.
std::string RangeLines(const ResumePoint& point);

}  // namespace qvestra::store
