#include <QProcess>

#include "app/document_opener.h"

namespace qvestra {

void XdgDocumentOpener::Open(const std::filesystem::path& file, const std::filesystem::path& folder,
                             Result result) {
    // Without a desktop environment xdg-open runs the viewer itself and ends
    // with it, so the process may outlive the program: it is never deleted
    // before it ends, as deleting a running QProcess kills it.
    auto* process = new QProcess;
    process->setProgram(QStringLiteral("xdg-open"));
    process->setArguments({QString::fromStdString(file.string())});
    process->setWorkingDirectory(QString::fromStdString(folder.string()));
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process,
                     [process, result](int code, QProcess::ExitStatus status) {
                         result(status == QProcess::NormalExit && code == 0);
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, result](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         result(false);
                         process->deleteLater();
                     });
    process->start();
}

}  // namespace qvestra
