#pragma once

#include <string>

namespace qvestra::net {

// The one service host the client talks to.
struct ServiceEndpoint {
    std::string host;
    int port = 80;

    // host, or host:port when the port is not HTTP's own; used in addresses
    // and the Host line so a test build on another port still names it right.
    std::string Authority() const { return port == 80 ? host : host + ":" + std::to_string(port); }
    std::string HttpAddress(const std::string& path) const {
        return "http://" + Authority() + path;
    }
};

}  // namespace qvestra::net
