#pragma once

#include <QString>
#include <QUrl>
#include <chrono>
#include <optional>

namespace qvestra::webview {

// The program's own scheme: local pages (the offline menu page, the installed
// help page) are shown through it, never from file:// with the reach into the
// member's files that a file page has.
inline const QString kLocalScheme = QStringLiteral("qvestra-local");

// The one service whose pages the windows show.
struct ServiceOrigin {
    QString host;
    int port = 80;
    // "http" or "https": over TLS the windows never show the service's
    // pages over plain HTTP.
    QString scheme = QStringLiteral("http");
};

enum class Navigation {
    kStay,            // the window shows it
    kDesktopBrowser,  // the member's browser shows it; the window stays where it is
    kRefuse,          // nobody shows it
};

// Where the window's own page may go: the service's scheme, host and port,
// and the program's local pages, stay; other web addresses go to the
// desktop browser; file:, data:, javascript: and the rest go nowhere.
Navigation MainFrameNavigation(const QUrl& url, const ServiceOrigin& service);

// A page's new window never opens in the program: a web address the
// member's click asked for goes to the desktop browser, anything else
// nowhere, as a browser's popup blocker would have it.
Navigation PopupNavigation(const QUrl& url, bool clicked);

// The window's own navigations that leave the service reach the desktop
// browser at most once per interval; the rest are dropped. A page that
// changes its address in a loop starts the browser once every interval at
// most, not hundreds of times a second (a link the member clicks meanwhile
// is dropped too); a link clicked, or one redirect, otherwise goes at once.
class BrowserHandOff {
  public:
    static constexpr std::chrono::milliseconds kInterval{2000};

    bool Allow(std::chrono::steady_clock::time_point now);

  private:
    std::optional<std::chrono::steady_clock::time_point> last_;
};

}  // namespace qvestra::webview
