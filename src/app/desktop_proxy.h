#pragma once

#include <QList>
#include <QNetworkProxy>
#include <optional>

#include "net/service_endpoint.h"

namespace qvestra {

// The proxy the desktop's settings name for the service's http address, as
// Qt reads them: the environment's http_proxy and no_proxy, or the desktop's
// own settings and PAC file where Qt's proxy support reads those. None means
// a direct connection. Reading a PAC file may take the network's time, so
// this runs on the exchange queue.
std::optional<net::HttpProxy> DesktopProxyFor(const net::ServiceEndpoint& service);

// The first of the routes Qt offers decides; only an http proxy can carry
// the exchanges, so any other kind counts as none. An address without a
// port means HTTP's own.
std::optional<net::HttpProxy> FirstHttpProxy(const QList<QNetworkProxy>& routes);

}  // namespace qvestra
