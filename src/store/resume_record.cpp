#include "store/resume_record.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "net/http_text.h"
#include "store/part_file.h"
#include "store/plain_file.h"

namespace qvestra::store {

namespace {

// Longer than any record WriteResumeRecord makes: a bigger file is not one.
constexpr std::size_t kMaxRecordBytes = 256;

std::optional<ResumeRecord> ParseRecord(std::string_view text) {
    const auto lengthEnd = text.find('\n');
    if (lengthEnd == std::string_view::npos || !text.ends_with('\n')) return std::nullopt;
    const std::string_view length = text.substr(0, lengthEnd);
    const std::string_view validator = text.substr(lengthEnd + 1, text.size() - lengthEnd - 2);
    ResumeRecord record;
    const auto [end, error] =
        std::from_chars(length.data(), length.data() + length.size(), record.total);
    if (error != std::errc() || end != length.data() + length.size() || record.total <= 0 ||
        !IsUsableValidator(validator))
        return std::nullopt;
    record.validator = validator;
    return record;
}

std::optional<std::string> ReadSmallFile(const std::filesystem::path& file) {
    auto text = ReadPlainFile(file, kMaxRecordBytes + 1);
    if (!text || text->size() > kMaxRecordBytes) return std::nullopt;
    return text;
}

}  // namespace

bool IsUsableValidator(std::string_view validator) {
    if (validator.empty() || validator.size() > 200 || validator.front() == ' ' ||
        validator.back() == ' ' || validator.starts_with("W/"))
        return false;
    for (unsigned char c : validator)
        if (c < 0x20 || c > 0x7e) return false;
    return true;
}

std::string ResumeValidator(std::string_view etag, std::string_view lastModified,
                            std::string_view date) {
    if (IsUsableValidator(etag)) return std::string(etag);
    constexpr std::int64_t kStrongAfterSeconds = 60;
    const auto modified = net::ParseHttpDate(lastModified);
    const auto sent = net::ParseHttpDate(date);
    if (modified && sent && *sent - *modified >= kStrongAfterSeconds)
        return std::string(lastModified);
    return {};
}

bool WriteResumeRecord(const std::filesystem::path& target, const ResumeRecord& record) {
    if (record.total <= 0 || !IsUsableValidator(record.validator)) return false;
    PartFile file(PartFile::RecordFor(target));
    return file.Write(std::to_string(record.total) + "\n" + record.validator + "\n") &&
           file.Commit(false);
}

std::optional<ResumePoint> FindResumePoint(const std::filesystem::path& target) {
    std::optional<ResumePoint> point;
    const auto text = ReadSmallFile(PartFile::RecordFor(target));
    const auto record = text ? ParseRecord(*text) : std::nullopt;
    std::error_code ec;
    const auto part = std::filesystem::symlink_status(PartFile::NameFor(target), ec);
    if (record && std::filesystem::is_regular_file(part)) {
        const auto size = std::filesystem::file_size(PartFile::NameFor(target), ec);
        if (!ec && size > 0 && static_cast<std::int64_t>(size) < record->total)
            point = ResumePoint{static_cast<std::int64_t>(size), *record};
    }
    if (!point) ForgetPart(target);
    return point;
}

std::vector<std::string> PartsOverTheFloor(std::vector<KeptPart> parts, std::int64_t available,
                                           std::int64_t floor) {
    std::sort(parts.begin(), parts.end(),
              [](const KeptPart& a, const KeptPart& b) { return a.written < b.written; });
    std::int64_t needed = 0;
    for (const KeptPart& part : parts) needed += part.total - part.size;
    std::vector<std::string> dropped;
    for (const KeptPart& part : parts) {
        if (needed <= available - floor) break;
        dropped.push_back(part.target);
        needed -= part.total - part.size;
        available += part.size;
    }
    return dropped;
}

void ForgetPart(const std::filesystem::path& target) {
    std::error_code ec;
    std::filesystem::remove(PartFile::NameFor(target), ec);
    std::filesystem::remove(PartFile::RecordFor(target), ec);
}

std::string RangeLines(const ResumePoint& point) {
    return "Range: bytes=" + std::to_string(point.offset) +
           "-\r\nIf-Range: " + point.record.validator + "\r\n";
}

}  // namespace qvestra::store
