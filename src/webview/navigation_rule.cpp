#include "webview/navigation_rule.h"

namespace qvestra::webview {

namespace {

bool IsWebAddress(const QUrl& url) {
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == u"http" || url.scheme() == u"https");
}

}  // namespace

PageKind KindOf(const QUrl& url) {
    return url.isValid() && url.scheme() == kLocalScheme ? PageKind::kLocal : PageKind::kService;
}

Navigation MainFrameNavigation(const QUrl& url, const net::ServiceEndpoint& service, PageKind from,
                               Asker asker) {
    const bool local = url.isValid() && url.scheme() == kLocalScheme;
    if (asker == Asker::kProgram)
        return local == (from == PageKind::kLocal) ? Navigation::kStay : Navigation::kRefuse;
    if (!IsWebAddress(url)) return Navigation::kRefuse;
    const int defaultPort = url.scheme() == u"https" ? 443 : 80;
    // QUrl keeps host names in lower case; the service's may be written otherwise.
    const bool onService =
        url.scheme() == (service.Tls() ? u"https" : u"http") &&
        url.host().compare(QString::fromStdString(service.host), Qt::CaseInsensitive) == 0 &&
        url.port(defaultPort) == service.port;
    if (from == PageKind::kService)
        return onService ? Navigation::kStay : Navigation::kDesktopBrowser;
    if (asker != Asker::kClick) return Navigation::kRefuse;
    return onService ? Navigation::kSwitch : Navigation::kDesktopBrowser;
}

Navigation PopupNavigation(const QUrl& url, bool clicked) {
    return clicked && IsWebAddress(url) ? Navigation::kDesktopBrowser : Navigation::kRefuse;
}

bool BrowserHandOff::Allow(std::chrono::steady_clock::time_point now) {
    if (last_ && now - *last_ < kInterval) return false;
    last_ = now;
    return true;
}

}  // namespace qvestra::webview
