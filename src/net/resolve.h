#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <sys/socket.h>

namespace qvestra::net {

struct ResolvedAddress {
    int family = 0;
    sockaddr_storage address{};
    socklen_t length = 0;
};

// getaddrinfo has no time-out of its own; this bounds it, and `aborted`
// turning true ends the wait too. A lookup still running then finishes on
// its own thread and is discarded.
std::vector<ResolvedAddress> ResolveTcp(const std::string& host, int port,
                                        std::chrono::milliseconds timeout,
                                        const std::function<bool()>& aborted = {});

}  // namespace qvestra::net
