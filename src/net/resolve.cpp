#include "net/resolve.h"

#include <ares.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>

#include "core/abort_switch.h"

namespace qvestra::net {

namespace {

std::vector<ResolvedAddress> NumericAddress(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    std::vector<ResolvedAddress> out;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list) != 0) return out;
    for (addrinfo* ai = list; ai != nullptr; ai = ai->ai_next) {
        ResolvedAddress r{ai->ai_family, {}, ai->ai_addrlen};
        std::memcpy(&r.address, ai->ai_addr,
                    std::min<std::size_t>(ai->ai_addrlen, sizeof r.address));
        out.push_back(r);
    }
    freeaddrinfo(list);
    return out;
}

// The program starts viewers and browsers: no look-up socket may leak into them.
int CloseOnExec(ares_socket_t fd, int, void*) {
    return ::fcntl(fd, F_SETFD, FD_CLOEXEC) == 0 ? ARES_SUCCESS : -1;
}

struct Lookup {
    bool done = false;
    std::vector<ResolvedAddress> addresses;
};

void Found(void* arg, int status, int, ares_addrinfo* result) {
    auto* lookup = static_cast<Lookup*>(arg);
    lookup->done = true;
    if (result == nullptr) return;
    if (status != ARES_SUCCESS) return ares_freeaddrinfo(result);
    for (const ares_addrinfo_node* n = result->nodes; n != nullptr; n = n->ai_next) {
        if (n->ai_addrlen > sizeof(sockaddr_storage)) continue;
        ResolvedAddress r{n->ai_family, {}, n->ai_addrlen};
        std::memcpy(&r.address, n->ai_addr, n->ai_addrlen);
        lookup->addresses.push_back(r);
    }
    ares_freeaddrinfo(result);
}

int MillisecondsOf(const timeval& t) {
    return static_cast<int>(t.tv_sec * 1000 + (t.tv_usec + 999) / 1000);
}

}  // namespace

struct NameResolver::Channel {
    ~Channel() { ares_destroy(channel); }
    ares_channel channel = nullptr;
};

NameResolver::NameResolver(const std::string& servers) {
    static std::once_flag library;
    static int libraryStatus = ARES_ENOTINITIALIZED;
    std::call_once(library, [] { libraryStatus = ares_library_init(ARES_LIB_INIT_ALL); });
    auto made = std::make_unique<Channel>();
    if (libraryStatus != ARES_SUCCESS || ares_init(&made->channel) != ARES_SUCCESS) return;
    ares_set_socket_configure_callback(made->channel, CloseOnExec, nullptr);
    if (!servers.empty() &&
        ares_set_servers_ports_csv(made->channel, servers.c_str()) != ARES_SUCCESS)
        return;
    channel_ = std::move(made);
}

NameResolver::~NameResolver() = default;

NameResolver& NameResolver::ForThisThread() {
    thread_local NameResolver resolver;
    return resolver;
}

std::vector<ResolvedAddress> NameResolver::Resolve(const std::string& host, int port,
                                                   std::chrono::steady_clock::time_point deadline,
                                                   const core::AbortSwitch* cancel) {
    if (auto numeric = NumericAddress(host, port); !numeric.empty()) return numeric;
    if (!channel_) return {};
    ares_channel channel = channel_->channel;
    Lookup lookup;
    ares_addrinfo_hints hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = ARES_AI_NUMERICSERV;
    ares_getaddrinfo(channel, host.c_str(), std::to_string(port).c_str(), &hints, Found, &lookup);
    while (!lookup.done) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline || core::Tripped(cancel)) {
            // Ends the look-up at once; Found hears of it.
            ares_cancel(channel);
            return {};
        }
        ares_socket_t sockets[ARES_GETSOCK_MAXNUM];
        const int bits = ares_getsock(channel, sockets, ARES_GETSOCK_MAXNUM);
        std::vector<pollfd> waits;
        for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
            const short events = static_cast<short>((ARES_GETSOCK_READABLE(bits, i) ? POLLIN : 0) |
                                                    (ARES_GETSOCK_WRITABLE(bits, i) ? POLLOUT : 0));
            if (events != 0) waits.push_back({sockets[i], events, 0});
        }
        waits.push_back({cancel != nullptr ? cancel->Fd() : -1, POLLIN, 0});
        const auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - now);
        timeval bound{static_cast<time_t>(left.count() / 1000000),
                      static_cast<suseconds_t>(left.count() % 1000000)};
        timeval next{};
        const int ready = ::poll(waits.data(), waits.size(),
                                 MillisecondsOf(*ares_timeout(channel, &bound, &next)));
        if (ready < 0 && errno != EINTR) {
            ares_cancel(channel);
            return {};
        }
        bool handled = false;
        for (std::size_t i = 0; i + 1 < waits.size(); ++i) {
            const short seen = waits[i].revents;
            if (seen == 0) continue;
            handled = true;
            ares_process_fd(
                channel, (seen & (POLLIN | POLLERR | POLLHUP)) != 0 ? waits[i].fd : ARES_SOCKET_BAD,
                (seen & POLLOUT) != 0 ? waits[i].fd : ARES_SOCKET_BAD);
        }
        // Nothing came: the library's own time-outs and retries.
        if (!handled) ares_process_fd(channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
    }
    return std::move(lookup.addresses);
}

}  // namespace qvestra::net
