#include "net/resolve.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include <netdb.h>

namespace qvestra::net {

namespace {

struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::vector<ResolvedAddress> result;
};

std::vector<ResolvedAddress> LookUp(const std::string& host, int port) {
    // Any address family, IPv4 or IPv6.
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    std::vector<ResolvedAddress> out;
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &list) != 0) return out;
    for (addrinfo* ai = list; ai != nullptr; ai = ai->ai_next) {
        if (ai->ai_addrlen > sizeof(sockaddr_storage)) continue;
        ResolvedAddress r;
        r.family = ai->ai_family;
        std::memcpy(&r.address, ai->ai_addr, ai->ai_addrlen);
        r.length = ai->ai_addrlen;
        out.push_back(r);
    }
    freeaddrinfo(list);
    return out;
}

}  // namespace

std::vector<ResolvedAddress> ResolveTcp(const std::string& host, int port,
                                        std::chrono::milliseconds timeout,
                                        const std::function<bool()>& aborted) {
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host, port] {
        auto result = LookUp(host, port);
        std::lock_guard lock(lookup->mutex);
        lookup->result = std::move(result);
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    // The look-up thread cannot watch an abort switch, so the wait looks a
    // few times a second.
    constexpr auto kAbortCheck = std::chrono::milliseconds(100);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(lookup->mutex);
    while (!lookup->finished) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline || (aborted && aborted())) return {};
        lookup->done.wait_for(
            lock, std::min<std::chrono::steady_clock::duration>(deadline - now, kAbortCheck));
    }
    return std::move(lookup->result);
}

}  // namespace qvestra::net
