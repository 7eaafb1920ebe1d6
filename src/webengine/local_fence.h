#pragma once

#include <QUrl>
#include <QWebEngineScript>
#include <QWebEngineUrlRequestInterceptor>

namespace qvestra::webengine {

// What a request from a page may reach. A local page came over plain HTTP
// or lies in the member's folder, so an attacker may have written it: it
// reaches its own scheme and data: addresses, nothing else, whatever its
// policy says or fails to say. The window's own navigation is left to the
// navigation rule, which has already judged it.
struct RequestOrigin {
    QUrl page;        // the main frame's address
    QUrl firstParty;  // the top page the request is made for
    QUrl initiator;   // the origin of the document that made it
    bool mainFrameNavigation = false;
};
bool MayRequest(const RequestOrigin& origin, const QUrl& request);

// Applies MayRequest to every request of one page.
class LocalPageFence final : public QWebEngineUrlRequestInterceptor {
  public:
    explicit LocalPageFence(QObject* parent) : QWebEngineUrlRequestInterceptor(parent) {}
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
};

// A peer connection leaves by UDP, where no policy and no request fence
// reaches; a script run as each document is created, in every frame, takes
// the interface away from every page but the service's web pages before the
// page's own scripts run. A second fence: local pages run no script, and the
// engine sends no UDP but through a proxy (FixEngineEnvironment).
QWebEngineScript WithoutPeerConnections();

}  // namespace qvestra::webengine
