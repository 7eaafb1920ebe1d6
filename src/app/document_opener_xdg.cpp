#include <QProcess>

#include "app/document_opener.h"

namespace qvestra {

bool XdgDocumentOpener::Open(const std::filesystem::path& file,
                             const std::filesystem::path& folder) {
    return QProcess::startDetached(QStringLiteral("xdg-open"),
                                   {QString::fromStdString(file.string())},
                                   QString::fromStdString(folder.string()));
}

}  // namespace qvestra
