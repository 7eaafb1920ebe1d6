#include "net/resolve.h"

#include <algorithm>
#include <atomic>
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

std::vector<ResolvedAddress> GetAddrInfo(const std::string& host, int port, int flags) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
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

// Look-ups whose threads still run, the discarded ones included. Never
// destroyed: a detached thread may still count down after main returned.
std::atomic<int>& RunningLookups() {
    static auto* running = new std::atomic<int>(0);
    return *running;
}

}  // namespace

std::vector<ResolvedAddress> SystemLookup(const std::string& host, int port) {
    return GetAddrInfo(host, port, AI_ADDRCONFIG);
}

std::vector<ResolvedAddress> ResolveTcp(const std::string& host, int port,
                                        std::chrono::milliseconds timeout,
                                        const std::function<bool()>& aborted,
                                        const HostLookup& lookup) {
    auto numeric = GetAddrInfo(host, port, AI_NUMERICHOST | AI_NUMERICSERV);
    if (!numeric.empty()) return numeric;
    if (++RunningLookups() > kMaxLookups) {
        --RunningLookups();
        return {};
    }
    auto state = std::make_shared<Lookup>();
    std::thread([state, host, port, lookup] {
        auto result = lookup(host, port);
        {
            std::lock_guard lock(state->mutex);
            state->result = std::move(result);
            state->finished = true;
        }
        state->done.notify_all();
        --RunningLookups();
    }).detach();
    // The look-up thread cannot watch an abort switch, so the wait looks a
    // few times a second.
    constexpr auto kAbortCheck = std::chrono::milliseconds(100);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(state->mutex);
    while (!state->finished) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline || (aborted && aborted())) return {};
        state->done.wait_for(
            lock, std::min<std::chrono::steady_clock::duration>(deadline - now, kAbortCheck));
    }
    return std::move(state->result);
}

}  // namespace qvestra::net
