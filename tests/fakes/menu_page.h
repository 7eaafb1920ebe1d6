#pragma once

#include <QStringList>

namespace qvestra::testing {

// A menu page whose content list holds lines, the end marker on its own line
// unless told.
inline QString MenuPage(const QStringList& lines, bool endLine = true) {
    QString page = QStringLiteral("<html><!--\r\nContents_VALUE\r\n");
    for (const QString& line : lines) page += line + QStringLiteral("\r\n");
    if (endLine) page += QStringLiteral("Contents_End\r\n");
    return page + QStringLiteral("--></html>");
}

// Lines made from a pattern with %1 standing for 0, 1, ...
inline QStringList Repeat(const QString& pattern, int times) {
    QStringList lines;
    for (int i = 0; i < times; ++i) lines << pattern.arg(i);
    return lines;
}

}  // namespace qvestra::testing
