#include <QFile>

#include "app/document_opener.h"

namespace qvestra {

bool IsPdfDocument(const std::filesystem::path& file) {
    const QString path = QString::fromStdString(file.string());
    // The desktop types a file by its name where it knows the suffix, and by
    // its content (file(1), shared-mime-info) where it does not: only a file
    // that both call a PDF reaches it.
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) return false;
    QFile document(path);
    return document.open(QIODevice::ReadOnly) && document.read(5) == "%PDF-";
}

}  // namespace qvestra
