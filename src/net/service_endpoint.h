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

// The one service host the client talks to, and the proxy on the way when
// the desktop names one for it.
struct ServiceEndpoint {
    ServiceEndpoint() = default;
    ServiceEndpoint(std::string host, int port, std::optional<HttpProxy> proxy = std::nullopt)
        : host(std::move(host)), port(port), proxy(std::move(proxy)) {}

    std::string host;
    int port = 80;
    std::optional<HttpProxy> proxy;

    // host, or host:port when the port is not HTTP's own; used in addresses
    // and the Host line so a test build on another port still names it right.
    std::string Authority() const { return port == 80 ? host : host + ":" + std::to_string(port); }
    std::string HttpAddress(const std::string& path) const {
        return "http://" + Authority() + path;
    }
    // Where a connection for the service goes.
    const std::string& ConnectHost() const { return proxy ? proxy->host : host; }
    int ConnectPort() const { return proxy ? proxy->port : port; }
};

}  // namespace qvestra::net
