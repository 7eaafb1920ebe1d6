#pragma once

#include <QWebEngineLoadingInfo>
#include <QWebEngineView>
#include <functional>
#include <optional>

#include "net/service_endpoint.h"

#include "webengine/local_pages.h"
#include "webview/error_page.h"
#include "webview/navigation_rule.h"
#include "webview/web_view.h"

namespace qvestra::webengine {

// What every view of the program shares: the service its windows stay on,
// the desktop browser that shows the rest, the local pages. Made once, before
// the first view, and kept until the last is gone.
class WebEngineViews {
  public:
    using OpenInBrowser = std::function<void(const QUrl&)>;

    // certificateRefused is told each time a view refused a certificate.
    WebEngineViews(net::ServiceEndpoint service, OpenInBrowser openInBrowser,
                   std::function<void()> certificateRefused = {});

    webview::WebViewFactory Factory();

    const net::ServiceEndpoint& Service() const { return service_; }
    // A popup the member's click asked for goes at once; the window's own
    // navigations go through the hand-off's interval.
    void OpenPopupInDesktopBrowser(const QUrl& url) const;
    void OpenNavigationInDesktopBrowser(const QUrl& url);
    void CertificateRefused() const {
        if (certificateRefused_) certificateRefused_();
    }
    // Where a view goes for an address it is given: a local file is shown
    // through the local scheme, never from file://.
    QUrl ViewAddress(const QString& address);
    // Where a view goes in place of a page that could not be shown.
    QUrl ErrorPageAddress(webview::LoadFailure failure, const QUrl& page, int status);
    // Readies the engine's profile for the views: the local scheme answered,
    // no page-started download kept, no local page reaching files or the
    // network. Once, when the first view starts the engine (it takes time,
    // which the start-up spends on its exchanges first).
    void PrepareProfile();
    // The views reach the service the way the program's exchanges do:
    // through this proxy, or directly. Before the first view.
    void UseProxy(std::optional<net::HttpProxy> proxy);
    const std::optional<net::HttpProxy>& Proxy() const { return proxy_; }

  private:
    net::ServiceEndpoint service_;
    std::optional<net::HttpProxy> proxy_;
    OpenInBrowser openInBrowser_;
    std::function<void()> certificateRefused_;
    webview::BrowserHandOff handOff_;
    LocalPages pages_;
    bool prepared_ = false;
};

class WebEngineView final : public QWebEngineView, public webview::WebView {
  public:
    WebEngineView(QWidget* parent, ui::TwipsLayout& layout, WebEngineViews& views);

    void Navigate(const QString& address) override;
    void StartEngine() override;
    // The view has no chrome of its own to hide; it already fills the
    // rectangle it is given.
    void SetFullScreen(bool) override {}
    QWidget* Widget() override { return this; }

  private:
    void EnsurePage(webview::PageKind kind);
    // A page that failed (not one merely left for another) gives way to
    // the program's own page: the engine's own never shows.
    void TakeLoading(const QWebEngineLoadingInfo& loading);

    WebEngineViews& views_;
    bool pageSet_ = false;
    webview::PageKind kind_ = webview::PageKind::kService;
};

}  // namespace qvestra::webengine
