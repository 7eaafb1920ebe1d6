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

// The system's look-up of a host name (getaddrinfo), IPv4 or IPv6.
std::vector<ResolvedAddress> SystemLookup(const std::string& host, int port);
using HostLookup = std::function<std::vector<ResolvedAddress>(const std::string&, int)>;

// A numeric address needs no look-up and comes back at once. A name is
// looked up on a thread of its own, since getaddrinfo has no time-out: the
// wait ends at timeout, or when `aborted` turns true, and a look-up still
// running then finishes on its thread and is discarded. A resolver that
// hangs would leave a thread behind per call, so at most kMaxLookups run
// at once and a name beyond them fails at once.
inline constexpr int kMaxLookups = 4;
std::vector<ResolvedAddress> ResolveTcp(const std::string& host, int port,
                                        std::chrono::milliseconds timeout,
                                        const std::function<bool()>& aborted = {},
                                        const HostLookup& lookup = SystemLookup);

}  // namespace qvestra::net
