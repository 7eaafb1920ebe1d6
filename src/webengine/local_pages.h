#pragma once

#include <QByteArray>
#include <QThreadPool>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

namespace qvestra::webengine {

// Makes the program's local scheme known to the web engine; to be called
// before the application object exists.
void RegisterLocalScheme();

// The page's bytes with a policy in front of all of them that keeps it to
// its own files: it may show its logo and its own styles, but load nothing
// from elsewhere, open no connection (XMLHttpRequest, fetch, WebSocket) and
// send no form. A second fence: a local page runs no script at all.
QByteArray WithLocalPolicy(const QByteArray& html);

// Reads a file inside folder, following no link on the way; nothing when it
// is not there, is not a plain file or is larger than maxBytes.
std::optional<QByteArray> ReadInside(const std::filesystem::path& folder,
                                     const std::filesystem::path& relative, qint64 maxBytes);

// Answers the local scheme: only the pages the program published and the
// logo beside each ("images/LOGO_Movei.gif"). The user file, documents and
// everything else on the disk stay out of a page's reach. Files are read off
// the window's thread; the answer comes back to it.
class LocalPages final : public QWebEngineUrlSchemeHandler {
  public:
    LocalPages();
    ~LocalPages() override;

    // The address under which a view shows the local page file; each page
    // has an origin of its own.
    QUrl Publish(const std::filesystem::path& page);
    // The address under which a view shows a page the program made (UTF-8);
    // a page made again under the same name replaces the one before.
    QUrl Make(const QString& name, QByteArray html);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

  private:
    std::vector<std::filesystem::path> pages_;
    std::map<QString, QByteArray> made_;
    QThreadPool reader_;
};

}  // namespace qvestra::webengine
