#include "content/content_list.h"

#include <QStringList>

#include "store/data_folder.h"
#include "store/part_file.h"

namespace qvestra::content {

namespace {

const QString kMarker = QStringLiteral("Contents_VALUE");

bool IsEndLine(const QString& field0) {
    QString unquoted = field0;
    unquoted.remove(u'"');
    return unquoted.contains(QStringLiteral("Contents_End"));
}

// Names Windows will not create a file under, whatever the folder.
bool IsReservedOnWindows(const QString& name) {
    static const QStringList kDevices = {QStringLiteral("CON"), QStringLiteral("PRN"),
                                         QStringLiteral("AUX"), QStringLiteral("NUL")};
    const QString stem = name.section(u'.', 0, 0).toUpper();
    if (kDevices.contains(stem)) return true;
    if (stem.size() == 4 &&
        (stem.startsWith(QStringLiteral("COM")) || stem.startsWith(QStringLiteral("LPT"))) &&
        stem[3] >= u'1' && stem[3] <= u'9')
        return true;
    for (QChar c : name)
        if (QStringLiteral("<>:\"|?*").contains(c)) return true;
    return name.endsWith(u'.') || name.endsWith(u' ');
}

QString WithoutLfAndBlanks(QString text) {
    text.remove(u'\n');
    text.remove(u' ');
    return text;
}

}  // namespace

std::optional<QString> DocumentFileOf(const QString& entryPath) {
    const auto slash = entryPath.lastIndexOf(u'/');
    if (slash < 0) return std::nullopt;
    const QString name = entryPath.mid(slash + 1);
    if (IsReservedOnWindows(name)) return std::nullopt;
    const std::string bytes = name.toStdString();
    // A document is written under its part file's name first: a name whose
    // part file the file system cannot hold could never be stored.
    if (!store::IsPlainComponent(bytes) || !store::PartFile::FitsBeside(bytes)) return std::nullopt;
    return u'/' + name;
}

ContentList ParseContentList(const QString& pageText) {
    ContentList list;
    const auto marker = pageText.indexOf(kMarker);
    if (marker < 0) return list;

    // The character right after the marker is skipped; when the marker ends
    // its line that is the CR, and the first kind starts with the LF.
    const QStringList lines =
        pageText.mid(marker + kMarker.size() + 1).split(QStringLiteral("\r\n"));
    bool groupsFull = false;

    // The text after the last CR LF is never a line of the list.
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QStringList fields = lines[i].split(u';');
        if (IsEndLine(fields[0])) break;
        QString kind = fields[0];
        kind.remove(u'\n');
        const bool opensGroup = kind == u"Main" || kind == u"Cont";
        const bool isItem = kind == u"Sub" || kind == u"Cont";
        if (!opensGroup && !isItem) continue;
        if (fields.size() < 2 || (isItem && fields.size() < 3)) continue;
        if (static_cast<int>(list.entries.size()) >= ContentList::kMaxEntries) break;

        if (opensGroup) {
            groupsFull = static_cast<int>(list.groups.size()) >= ContentList::kMaxGroups;
            if (groupsFull) continue;
        } else if (groupsFull) {
            continue;  // items of a group that got no button
        }
        if (isItem && !opensGroup && !list.groups.empty() &&
            static_cast<int>(list.groups.back().items.size()) >= ContentList::kMaxItemsPerGroup) {
            continue;
        }

        const int e = static_cast<int>(list.entries.size());
        ContentEntry entry{kind, {}, {}, std::nullopt};
        if (opensGroup) list.groups.push_back({fields[1], e, {}});
        if (isItem) {
            entry.title = fields[1];
            entry.path = WithoutLfAndBlanks(fields[2]);
            entry.documentFile = DocumentFileOf(entry.path);
            if (!list.groups.empty()) list.groups.back().items.push_back(e);
        }
        list.entries.push_back(entry);
    }
    return list;
}

}  // namespace qvestra::content
