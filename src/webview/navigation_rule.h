#pragma once

#include <QString>
#include <QUrl>
#include <chrono>
#include <optional>

#include "net/service_endpoint.h"

namespace qvestra::webview {

// The program's own scheme: local pages (the offline menu page, the installed
// help page) are shown through it, never from file:// with the reach into the
// member's files that a file page has.
inline const QString kLocalScheme = QStringLiteral("qvestra-local");

enum class Navigation {
    kStay,            // the window shows it
    kDesktopBrowser,  // the member's browser shows it; the window stays where it is
    kRefuse,          // nobody shows it
    // The window shows it, in a page of the other kind (a local page's link
    // to the service).
    kSwitch,
};

// What a page the window shows is. A local page (the offline copy, the
// installed help page, the program's own pages) came over plain HTTP or
// lies in the member's folder, so an attacker may have written it: it runs
// no script, and only the member's click on a link leaves it. The service's
// pages run their scripts.
enum class PageKind { kService, kLocal };

// Who asked for a navigation of the window's own page.
enum class Asker {
    kProgram,  // the program's own load, or a reload
    kClick,    // the member clicked a link
    kPage,     // the page itself: a script, a redirect, a refresh, a form
};

// The kind of page that shows url: the local scheme's pages are local.
PageKind KindOf(const QUrl& url);

// Where the window's own page may go. The program's loads stay when they
// are of the page's kind. From a service page: the service's scheme, host
// and port stay, other web addresses go to the desktop browser, and local
// pages, file:, data:, javascript: and the rest go nowhere. From a local
// page only a clicked link to a web address leaves: to the service in a
// service page, elsewhere to the desktop browser.
Navigation MainFrameNavigation(const QUrl& url, const net::ServiceEndpoint& service, PageKind from,
                               Asker asker);

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
