#include <QFile>

#include "app/document_opener.h"

namespace qvestra {

bool IsPdfDocument(const std::filesystem::path& file) {
    const QString path = QString::fromStdString(file.string());
    // The desktop types a file by its name where it knows the suffix, and by
    // its content (file(1), shared-mime-info) where it does not: only a file
    // that both call a PDF reaches it.
    std::error_code ec;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive) ||
        !std::filesystem::is_regular_file(file, ec))
        return false;
    // Read on the window's thread, at the member's click: five bytes of a
    // plain file the program downloaded into the member's data folder, which
    // the click has just looked up on this thread as well (it exists). Only
    // a stalled network mount could hold the read, and it would hold that
    // look first: a worker for the read alone would bound nothing.
    QFile document(path);
    return document.open(QIODevice::ReadOnly) && document.read(5) == "%PDF-";
}

}  // namespace qvestra
