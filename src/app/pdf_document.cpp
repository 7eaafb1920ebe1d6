#include <QFile>
#include <QMimeDatabase>

#include "app/document_opener.h"

namespace qvestra {

bool IsPdfDocument(const std::filesystem::path& file) {
    // Where a PDF reader looks for the marker.
    constexpr qint64 kMarkerWindow = 1024;
    const QString path = QString::fromStdString(file.string());
    QFile document(path);
    if (!document.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = document.read(kMarkerWindow);
    // PostScript may carry the marker too; its own programs run it.
    if (!head.contains("%PDF-") || head.startsWith("%!")) return false;
    // The desktop picks its program by the name as well as by the content: a
    // name or content that says another type (a script, a desktop entry, a
    // page) would reach that type's program.
    const QMimeDatabase types;
    const QMimeType byName = types.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    const QMimeType byContent = types.mimeTypeForFile(path, QMimeDatabase::MatchContent);
    const auto pdf = QStringLiteral("application/pdf");
    return (byName.isDefault() || byName.inherits(pdf)) && byContent.inherits(pdf);
}

}  // namespace qvestra
