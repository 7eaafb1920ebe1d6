#include "webengine/webengine_view.h"

#include <QAuthenticator>
#include <QNetworkProxy>
#include <QWebEngineCertificateError>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

#include "webengine/local_fence.h"
#include "webview/log.h"

namespace qvestra::webengine {

namespace {

// A page that keeps its window on the service: main-frame navigations follow
// the navigation rule, new windows go to the desktop browser, and whatever a
// page asks of the desktop (camera, microphone, location, notifications, full
// screen, files, protocol handlers) is refused at once instead of left pending.
// A local page runs no script, in any of its frames, from its first byte.
class ServicePage final : public QWebEnginePage {
  public:
    using Switch = std::function<void(const QUrl&)>;

    ServicePage(WebEngineViews& views, webview::PageKind kind, Switch switchTo, QObject* parent)
        : QWebEnginePage(QWebEngineProfile::defaultProfile(), parent),
          views_(views),
          kind_(kind),
          switchTo_(std::move(switchTo)) {
        settings()->setAttribute(QWebEngineSettings::JavascriptEnabled,
                                 kind == webview::PageKind::kService);
        connect(
            this, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest& request) {
                if (webview::PopupNavigation(request.requestedUrl(), request.isUserInitiated()) ==
                    webview::Navigation::kDesktopBrowser)
                    views_.OpenPopupInDesktopBrowser(request.requestedUrl());
            });
        setUrlRequestInterceptor(new LocalPageFence(this));
        connect(this, &QWebEnginePage::featurePermissionRequested, this,
                [this](const QUrl& origin, Feature feature) {
                    setFeaturePermission(origin, feature, PermissionDeniedByUser);
                });
        // A certificate that does not verify is never taken, whatever the
        // page: not the service's, not a frame's.
        connect(this, &QWebEnginePage::certificateError, this,
                [this](const QWebEngineCertificateError& error) {
                    QWebEngineCertificateError refused = error;
                    refused.rejectCertificate();
                    views_.CertificateRefused();
                });
        connect(this, &QWebEnginePage::fullScreenRequested, this,
                [](QWebEngineFullScreenRequest request) { request.reject(); });
        connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
                [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
        connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
                [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
        // The engine takes no password from the proxy setting: it asks. Only
        // the program's own proxy gets its own user, and once a load, so that
        // a password the proxy refuses is not offered for ever.
        connect(this, &QWebEnginePage::loadStarted, this, [this] { proxyAnswered_ = false; });
        connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
                [this](const QUrl&, QAuthenticator* authenticator, const QString& proxyHost) {
                    const auto& proxy = views_.Proxy();
                    if (!proxy || proxy->user.empty() || proxyAnswered_ ||
                        proxyHost != QString::fromStdString(proxy->host)) {
                        // Only a null authenticator refuses; an empty one
                        // would be sent as a user without a name.
                        *authenticator = QAuthenticator();
                        return;
                    }
                    proxyAnswered_ = true;
                    authenticator->setUser(QString::fromStdString(proxy->user));
                    authenticator->setPassword(QString::fromStdString(proxy->password));
                });
    }

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        // Frames inside a page load what their page asks for (a local
        // page's no more than its own scheme, see LocalPageFence); the
        // window's own page is what the member trusts.
        if (!isMainFrame) return true;
        const webview::Asker asker = type == NavigationTypeTyped || type == NavigationTypeReload
                                         ? webview::Asker::kProgram
                                     : type == NavigationTypeLinkClicked ? webview::Asker::kClick
                                                                         : webview::Asker::kPage;
        switch (webview::MainFrameNavigation(url, views_.Service(), kind_, asker)) {
            case webview::Navigation::kStay:
                return true;
            case webview::Navigation::kDesktopBrowser:
                // A local page gets here only by the member's click.
                if (kind_ == webview::PageKind::kLocal)
                    views_.OpenPopupInDesktopBrowser(url);
                else
                    views_.OpenNavigationInDesktopBrowser(url);
                return false;
            case webview::Navigation::kSwitch:
                switchTo_(url);
                return false;
            case webview::Navigation::kRefuse:
                return false;
        }
        return false;
    }

  private:
    WebEngineViews& views_;
    webview::PageKind kind_;
    Switch switchTo_;
    bool proxyAnswered_ = false;
};

}  // namespace

WebEngineViews::WebEngineViews(net::ServiceEndpoint service, OpenInBrowser openInBrowser,
                               std::function<void()> certificateRefused)
    : service_(std::move(service)),
      openInBrowser_(std::move(openInBrowser)),
      certificateRefused_(std::move(certificateRefused)) {}

webview::WebViewFactory WebEngineViews::Factory() {
    return [this](QWidget* parent, ui::TwipsLayout& layout) -> webview::WebView* {
        return new WebEngineView(parent, layout, *this);
    };
}

void WebEngineViews::UseProxy(std::optional<net::HttpProxy> proxy) {
    proxy_ = std::move(proxy);
    QNetworkProxy::setApplicationProxy(proxy_ ? QNetworkProxy(QNetworkProxy::HttpProxy,
                                                              QString::fromStdString(proxy_->host),
                                                              static_cast<quint16>(proxy_->port))
                                              : QNetworkProxy(QNetworkProxy::NoProxy));
}

// The log names the host only: an address may carry a page's own.
void WebEngineViews::OpenPopupInDesktopBrowser(const QUrl& url) const {
    qCInfo(webview::lcWebview) << "an address on" << url.host() << "handed to the desktop browser";
    openInBrowser_(url);
}

void WebEngineViews::OpenNavigationInDesktopBrowser(const QUrl& url) {
    if (handOff_.Allow(std::chrono::steady_clock::now())) OpenPopupInDesktopBrowser(url);
}

QUrl WebEngineViews::ErrorPageAddress(webview::LoadFailure failure, const QUrl& page, int status) {
    const bool service =
        webview::MainFrameNavigation(page, service_, webview::PageKind::kService,
                                     webview::Asker::kPage) == webview::Navigation::kStay;
    return pages_.Make(QStringLiteral("error.html"),
                       webview::ErrorPage(failure, page, service, status));
}

QUrl WebEngineViews::ViewAddress(const QString& address) {
    const QUrl url = webview::ViewUrl(address);
    return url.isLocalFile() ? pages_.Publish(url.toLocalFile().toStdString()) : url;
}

void WebEngineViews::PrepareProfile() {
    if (prepared_) return;
    prepared_ = true;
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    profile->installUrlSchemeHandler(webview::kLocalScheme.toLatin1(), &pages_);
    // Documents come only through the program's own download.
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, &pages_,
                     [](QWebEngineDownloadRequest* download) { download->cancel(); });
    QWebEngineSettings* settings = profile->settings();
    // A page that fails gives way to the program's own (TakeLoading). The
    // windows show no page icons: none is asked for.
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    // A window a script opens without the member's click never reaches the
    // desktop browser; the engine need not make one at all.
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    profile->scripts()->insert(WithoutPeerConnections());
}

WebEngineView::WebEngineView(QWidget* parent, ui::TwipsLayout& layout, WebEngineViews& views)
    : QWebEngineView(parent), webview::WebView(layout), views_(views) {}

// A page shows one kind of page only: its settings hold from its first
// byte, never switched under a document that came before.
void WebEngineView::EnsurePage(webview::PageKind kind) {
    if (pageSet_ && kind == kind_) return;
    views_.PrepareProfile();
    QWebEnginePage* previous = pageSet_ ? page() : nullptr;
    pageSet_ = true;
    kind_ = kind;
    setPage(new ServicePage(
        views_, kind,
        [this](const QUrl& url) {
            // Not from within the engine's question: the page that asks goes.
            QMetaObject::invokeMethod(
                this, [this, url] { Navigate(url.toString()); }, Qt::QueuedConnection);
        },
        this));
    connect(page(), &QWebEnginePage::loadingChanged, this, &WebEngineView::TakeLoading);
    if (previous != nullptr) previous->deleteLater();
}

void WebEngineView::TakeLoading(const QWebEngineLoadingInfo& loading) {
    const auto failure = [&loading]() -> std::optional<webview::LoadFailure> {
        constexpr int kAborted = -3;  // the engine's word for a load left for another
        const int code = loading.errorCode();
        switch (loading.errorDomain()) {
            case QWebEngineLoadingInfo::HttpStatusCodeDomain:
                if (code >= 400) return webview::LoadFailure::kServiceError;
                return std::nullopt;
            case QWebEngineLoadingInfo::CertificateErrorDomain:
                return webview::LoadFailure::kUnverified;
            case QWebEngineLoadingInfo::NoErrorDomain:
                return std::nullopt;
            default:
                if (loading.status() != QWebEngineLoadingInfo::LoadFailedStatus || code == kAborted)
                    return std::nullopt;
                return webview::KindOf(loading.url()) == webview::PageKind::kLocal
                           ? webview::LoadFailure::kNotThere
                           : webview::LoadFailure::kNoConnection;
        }
    }();
    if (!failure || loading.isErrorPage()) return;
    const int status = *failure == webview::LoadFailure::kServiceError ? loading.errorCode() : 0;
    qCWarning(webview::lcWebview) << "a page on" << loading.url().host() << "could not be shown ("
                                  << loading.errorDomain() << loading.errorCode()
                                  << "): the program's page shows";
    const QUrl page = views_.ErrorPageAddress(*failure, loading.url(), status);
    // Its own page failing, if ever, is not replaced again.
    if (loading.url() == page) return;
    EnsurePage(webview::PageKind::kLocal);
    load(page);
}

void WebEngineView::Navigate(const QString& address) {
    const QUrl url = views_.ViewAddress(address);
    EnsurePage(webview::KindOf(url));
    load(url);
}

// Making the page starts the engine; nothing is loaded, so the first real
// page neither waits for another nor changes process for its site, and a
// start after the page's address was handed over changes nothing.
void WebEngineView::StartEngine() { EnsurePage(kind_); }

}  // namespace qvestra::webengine
