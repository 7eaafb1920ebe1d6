#pragma once

#include <QByteArray>
#include <QString>

namespace qvestra::core {

// The service's pages and the local text files are Shift-JIS (code page 932).
// A whole text is decoded in one piece so no double-byte character is split.
QString DecodeCp932(QByteArrayView bytes);
QByteArray EncodeCp932(const QString& text);

}  // namespace qvestra::core
