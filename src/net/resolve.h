#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <sys/socket.h>

namespace qvestra::core {
class AbortSwitch;
}

namespace qvestra::net {

struct ResolvedAddress {
    int family = 0;
    sockaddr_storage address{};
    socklen_t length = 0;
};

// Looks host names up with c-ares, on one channel of its own: no thread per
// look-up, the library's own time-outs and retries, and every wait bounded
// by the caller's deadline and ended by its cancel switch. A channel serves
// one thread at a time: each thread that connects has its own
// (ForThisThread), so the queue's two lanes never wait for each other's
// look-ups.
class NameResolver {
  public:
    // servers: the name servers to ask ("address:port,..."), or the
    // system's (resolv.conf) when empty. The hosts file is read first either way.
    explicit NameResolver(const std::string& servers = {});
    ~NameResolver();
    NameResolver(const NameResolver&) = delete;
    NameResolver& operator=(const NameResolver&) = delete;

    // The calling thread's resolver, of the system's name servers.
    static NameResolver& ForThisThread();

    // The addresses of host for a TCP connection to port, IPv4 or IPv6; a
    // numeric address comes back at once. None when the name is unknown,
    // at the deadline, or once cancel (when given) is tripped.
    std::vector<ResolvedAddress> Resolve(const std::string& host, int port,
                                         std::chrono::steady_clock::time_point deadline,
                                         const core::AbortSwitch* cancel);

  private:
    struct Channel;
    std::unique_ptr<Channel> channel_;
};

}  // namespace qvestra::net
