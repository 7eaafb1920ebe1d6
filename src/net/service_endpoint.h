#pragma once

#include <optional>
#include <string>
#include <utility>

namespace qvestra::net {

// A web proxy that carries the exchanges with the service: where it
// listens, and the user and password it wants when its address gave them.
struct HttpProxy {
    std::string host;
    int port = 0;
    std::string user;
    std::string password;
};

// How the client reaches the service: as it was designed, or inside TLS
// with the service's certificate verified.
enum class Scheme { kHttp, kHttps };

// The one service host the client talks to, and the proxy on the way when
// the desktop names one for it.
struct ServiceEndpoint {
    ServiceEndpoint() = default;
    ServiceEndpoint(std::string host, int port, std::optional<HttpProxy> proxy = std::nullopt,
                    Scheme scheme = Scheme::kHttp)
        : host(std::move(host)), port(port), proxy(std::move(proxy)), scheme(scheme) {}

    std::string host;
    int port = 80;
    std::optional<HttpProxy> proxy;
    Scheme scheme = Scheme::kHttp;

    bool Tls() const { return scheme == Scheme::kHttps; }
    int SchemePort() const { return Tls() ? 443 : 80; }
    // host, or host:port when the port is not the scheme's own; used in
    // addresses and the Host line so a test build on another port still
    // names it right.
    std::string Authority() const {
        return port == SchemePort() ? host : host + ":" + std::to_string(port);
    }
    // The address the service's request lines name: its requests are the
    // same bytes whether they travel inside TLS or not.
    std::string RequestAddress(const std::string& path) const {
        return "http://" + Authority() + path;
    }
    // The address a page is read or shown from.
    std::string PageAddress(const std::string& path) const {
        return (Tls() ? "https://" : "http://") + Authority() + path;
    }
    // The proxy reads the requests itself: it must be told the host and may
    // want its credentials on each. A TLS connection goes through a tunnel
    // instead, and its requests take the form they would take directly.
    bool ProxyReadsRequests() const { return proxy.has_value() && !Tls(); }
    // Where a connection for the service goes.
    const std::string& ConnectHost() const { return proxy ? proxy->host : host; }
    int ConnectPort() const { return proxy ? proxy->port : port; }
};

}  // namespace qvestra::net
