#include "app/desktop_proxy.h"

#include <QNetworkProxyFactory>
#include <QUrl>

namespace qvestra {

std::optional<net::HttpProxy> DesktopProxyFor(const net::ServiceEndpoint& service) {
    const QUrl address(QString::fromStdString(service.PageAddress("/")));
    return FirstHttpProxy(QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(address)));
}

std::optional<net::HttpProxy> FirstHttpProxy(const QList<QNetworkProxy>& routes) {
    if (routes.isEmpty()) return std::nullopt;
    const QNetworkProxy& first = routes.first();
    if (first.type() != QNetworkProxy::HttpProxy && first.type() != QNetworkProxy::HttpCachingProxy)
        return std::nullopt;
    if (first.hostName().isEmpty()) return std::nullopt;
    return net::HttpProxy{first.hostName().toStdString(), first.port() != 0 ? first.port() : 80,
                          first.user().toStdString(), first.password().toStdString()};
}

}  // namespace qvestra
