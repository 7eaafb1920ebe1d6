#include "fakes/scripted_server.h"

#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <regex>

namespace qvestra::testing {

namespace {

constexpr int kAcceptTimeoutMs = 10000;
constexpr int kRequestTimeoutMs = 5000;
constexpr int kMomentMs = 100;

int ListenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(fd, 4);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

}  // namespace

ScriptedServer::ScriptedServer(std::string script, int connections, std::optional<TlsIdentity> tls)
    : script_(std::move(script)), connections_(connections), tls_(std::move(tls)) {
    listenFd_ = ListenOnLoopback(port_);
    thread_ = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer() {
    Stop();
    ::close(listenFd_);
}

std::string ScriptedServer::Request() {
    Stop();
    std::lock_guard lock(mutex_);
    return request_;
}

// The client is done: connections not made by now never come, and what is
// left of a script (a long pause, say) no longer matters.
void ScriptedServer::Stop() {
    ::shutdown(listenFd_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
}

int ScriptedServer::ClosedPort() {
    int port = 0;
    ::close(ListenOnLoopback(port));
    return port;
}

void ScriptedServer::Serve() {
    for (int i = 0; i < connections_; ++i) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, kAcceptTimeoutMs) <= 0) return;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        ++accepted_;
        ServeOne(fd);
        ::close(fd);
    }
}

void ScriptedServer::ServeOne(int fd) {
    std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(nullptr, SSL_CTX_free);
    std::unique_ptr<SSL, decltype(&SSL_free)> tls(nullptr, SSL_free);
    if (tls_) {
        context.reset(SSL_CTX_new(TLS_server_method()));
        SSL_CTX_use_certificate_chain_file(context.get(), tls_->certificate.c_str());
        SSL_CTX_use_PrivateKey_file(context.get(), tls_->key.c_str(), SSL_FILETYPE_PEM);
        tls.reset(SSL_new(context.get()));
        SSL_set_fd(tls.get(), fd);
        const timeval bound{kRequestTimeoutMs / 1000, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
        if (SSL_accept(tls.get()) != 1) return;
    }
    const auto receive = [fd, ssl = tls.get()](char* data, int size) {
        return ssl ? SSL_read(ssl, data, size) : static_cast<int>(::recv(fd, data, size, 0));
    };
    std::string received;
    char buf[4096];
    pollfd r{fd, POLLIN, 0};
    const bool answersAtOnce = script_.starts_with("<no request>");
    // Over TLS whatever follows the request within a moment counts too: a
    // client that wrote it twice shows.
    const auto more = [&] {
        const bool whole = received.find("\r\n\r\n") != std::string::npos;
        if (answersAtOnce || (whole && !tls)) return false;
        return (tls && SSL_pending(tls.get()) > 0) ||
               ::poll(&r, 1, whole ? kMomentMs : kRequestTimeoutMs) > 0;
    };
    while (more()) {
        const int n = receive(buf, sizeof buf);
        if (n <= 0) break;
        received.append(buf, static_cast<std::size_t>(n));
    }
    {
        std::lock_guard lock(mutex_);
        request_ += received;
    }
    ++requests_;
    const auto send = [fd, ssl = tls.get()](const std::string& bytes) {
        if (ssl && !bytes.empty()) SSL_write(ssl, bytes.data(), static_cast<int>(bytes.size()));
        if (!ssl) ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    };
    static const std::regex kMarker("<pause ([0-9]+)>|<reset>|<close>|<no request>");
    std::size_t at = 0;
    for (std::sregex_iterator it(script_.begin(), script_.end(), kMarker), end; it != end; ++it) {
        send(script_.substr(at, it->position() - at));
        at = it->position() + it->length();
        if (it->str() == "<no request>") continue;
        if (it->str() == "<close>") return;
        if (!(*it)[1].matched) {
            linger l{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
            return;
        }
        // The listener shut down by Stop() reports a hang-up too.
        pollfd ends[2] = {{fd, POLLRDHUP, 0}, {listenFd_, 0, 0}};
        if (::poll(ends, 2, std::stoi((*it)[1].str())) > 0) {
            if (ends[0].revents != 0) hungUp_ = true;
            return;
        }
    }
    send(script_.substr(at));
    if (tls) SSL_shutdown(tls.get());
}

}  // namespace qvestra::testing
