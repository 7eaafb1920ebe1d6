#include "store/user_file.h"

#include <QByteArray>
#include <QStringList>

#include "core/cp932.h"
#include "store/data_folder.h"
#include "store/part_file.h"
#include "store/plain_file.h"

namespace qvestra::store {

namespace {

// The user file is one short line; reading more than this would only mean
// the file is not ours.
constexpr std::size_t kMaxUserFileBytes = 4096;

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

bool IsDigits(const QString& text) {
    if (text.isEmpty()) return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

}  // namespace

QString FirstField(const QString& line) {
    qsizetype i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    const QString field = line.mid(i);
    // A quoted field ends at its closing quote, or with the line.
    if (field.startsWith(u'"')) return field.mid(1).section(u'"', 0, 0);
    return field.section(u',', 0, 0);
}

std::optional<QString> MemberNumber(const QString& memberId) {
    const QStringList pieces = memberId.split(u'-');
    if (pieces.size() < 2 || !IsDigits(pieces[1])) return std::nullopt;
    QString number = pieces[1];
    while (number.size() > 1 && number.front() == u'0') number.remove(0, 1);
    return number;
}

std::optional<UserRecordParts> ParseUserRecord(const QString& record) {
    const QStringList fields = record.split(u'|');
    if (fields.size() != 2) return std::nullopt;
    const QString& memberId = fields[0];
    const QString& status = fields[1];
    if (status.size() != 1 || !status[0].isDigit() || status[0] > u'9') return std::nullopt;
    // The record must read back from the user file as it was written: no
    // comma, quote or leading blank to cut it, nothing code page 932 lacks.
    if (FirstField(core::DecodeCp932(core::EncodeCp932(record))) != record) return std::nullopt;
    if (!IsPlainComponent(memberId.toStdString())) return std::nullopt;
    const auto number = MemberNumber(memberId);
    if (!number) return std::nullopt;
    return UserRecordParts{memberId, status, *number};
}

std::optional<QString> UserFile::ReadLine() const {
    const auto read = ReadPlainFile(path_, kMaxUserFileBytes);
    if (!read) return std::nullopt;
    const QByteArray bytes = QByteArray::fromStdString(*read);
    const auto end = bytes.indexOf('\n');
    QByteArray line = end < 0 ? bytes : bytes.left(end);
    if (line.endsWith('\r')) line.chop(1);
    return core::DecodeCp932(line);
}

std::optional<QString> UserFile::ReadFirstField() const {
    const auto line = ReadLine();
    if (!line) return std::nullopt;
    return FirstField(*line);
}

std::optional<QString> UserFile::KnownRecord() const {
    const auto record = ReadFirstField();
    if (!record || !ParseUserRecord(*record)) return std::nullopt;
    return record;
}

// QSaveFile is no help here: Qt 6.4's commit() reports success after a write
// that failed for a full disk, and puts an empty file in place of the old one.
bool WriteLineAtomically(const std::filesystem::path& path, const QString& text) {
    const QByteArray line = core::EncodeCp932(text) + "\r\n";
    PartFile file(path);
    return file.Write(std::string_view(line.constData(), static_cast<std::size_t>(line.size()))) &&
           file.Commit();
}

}  // namespace qvestra::store
