#include <QFileInfo>
#include <QMimeDatabase>

#include "app/document_opener.h"

namespace qvestra {

bool IsRunnableDocument(const std::filesystem::path& file) {
    // By name first: the MIME database does not know every Windows type, and
    // a desktop with Wine would run them.
    static const QStringList kRunnableSuffixes = {
        QStringLiteral("desktop"), QStringLiteral("exe"), QStringLiteral("com"),
        QStringLiteral("bat"),     QStringLiteral("cmd"), QStringLiteral("lnk"),
        QStringLiteral("url"),     QStringLiteral("scr"), QStringLiteral("pif"),
        QStringLiteral("cpl"),     QStringLiteral("msi"), QStringLiteral("vbs"),
        QStringLiteral("vbe"),     QStringLiteral("wsf"), QStringLiteral("hta"),
        QStringLiteral("ps1"),     QStringLiteral("reg"), QStringLiteral("jar"),
        QStringLiteral("sh"),      QStringLiteral("run"), QStringLiteral("appimage"),
    };
    static const char* const kRunnableTypes[] = {
        "application/x-executable",        "application/x-sharedlib",
        "application/x-shellscript",       "application/x-desktop",
        "application/x-ms-dos-executable", "application/x-msdownload",
        "application/x-ms-shortcut",       "application/x-msi",
        "application/x-java-archive",      "application/vnd.microsoft.portable-executable",
    };
    const QString path = QString::fromStdString(file.string());
    if (kRunnableSuffixes.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive)) return true;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    for (const char* runnable : kRunnableTypes) {
        if (type.inherits(QString::fromLatin1(runnable))) return true;
    }
    return false;
}

}  // namespace qvestra
