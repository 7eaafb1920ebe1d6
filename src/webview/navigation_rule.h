#pragma once

#include <QString>
#include <QUrl>

namespace qvestra::webview {

// The program's own scheme: local pages (the offline menu page, the installed
// help page) are shown through it, never from file:// with the reach into the
// member's files that a file page has.
inline const QString kLocalScheme = QStringLiteral("qvestra-local");

// The one service whose pages the windows show.
struct ServiceOrigin {
    QString host;
    int port = 80;
};

enum class Navigation {
    kStay,            // the window shows it
    kDesktopBrowser,  // the member's browser shows it; the window stays where it is
    kRefuse,          // nobody shows it
};

// Where the window's own page may go: http(s) on the service host and port,
// and the program's local pages, stay; other web addresses go to the
// desktop browser; file:, data:, javascript: and the rest go nowhere.
Navigation MainFrameNavigation(const QUrl& url, const ServiceOrigin& service);

// A page's new window never opens in the program: a web address goes to the
// desktop browser, anything else nowhere.
Navigation PopupNavigation(const QUrl& url);

}  // namespace qvestra::webview
