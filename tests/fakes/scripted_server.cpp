#include "fakes/scripted_server.h"

#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <regex>

namespace qvestra::testing {

int BoundOnLoopback(int type, int& port) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    sockaddr_in at{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof at;
    ::bind(fd, reinterpret_cast<sockaddr*>(&at), length);
    if (type == SOCK_STREAM) ::listen(fd, 4);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &length);
    port = ntohs(at.sin_port);
    return fd;
}

ScriptedServer::ScriptedServer(std::string script, int connections, std::optional<TlsIdentity> tls)
    : script_(std::move(script)), connections_(connections), tls_(std::move(tls)) {}

ScriptedServer::~ScriptedServer() { Stop(); }

// The client is done: connections not made by now never come, and what is
// left of a script (a long pause, say) no longer matters.
void ScriptedServer::Stop() {
    if (!thread_.joinable()) return;
    ::shutdown(listenFd_, SHUT_RDWR);
    thread_.join();
    ::close(listenFd_);
}

void ScriptedServer::Serve() {
    // Stop() shutting the listener down ends a wait for a connection.
    for (int i = 0; i < connections_; ++i) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        ++accepted_;
        ServeOne(fd);
        ::close(fd);
    }
}

void ScriptedServer::ServeOne(int fd) {
    std::unique_ptr<SSL, decltype(&SSL_free)> tls(nullptr, SSL_free);
    SSL* ssl = nullptr;
    if (tls_) {
        SSL_CTX* context = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate_chain_file(context, tls_->certificate.c_str());
        SSL_CTX_use_PrivateKey_file(context, tls_->key.c_str(), SSL_FILETYPE_PEM);
        tls.reset(ssl = SSL_new(context));
        SSL_CTX_free(context);  // the session holds it
        SSL_set_fd(ssl, fd);
        const timeval bound{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
        if (SSL_accept(ssl) != 1) return;
    }
    // Over TLS whatever follows the request within a moment counts too: a
    // client that wrote it twice shows.
    const std::size_t start = request_.size();
    for (char buf[4096];;) {
        const bool whole = request_.find("\r\n\r\n", start) != std::string::npos;
        pollfd r{fd, POLLIN, 0};
        if (script_.starts_with("<no request>") || (whole && !ssl) ||
            !((ssl && SSL_pending(ssl) > 0) || ::poll(&r, 1, whole ? 100 : 5000) > 0))
            break;
        const int n = ssl ? SSL_read(ssl, buf, sizeof buf) : int(::recv(fd, buf, sizeof buf, 0));
        if (n <= 0) break;
        request_.append(buf, static_cast<std::size_t>(n));
    }
    ++requests_;
    const auto send = [fd, ssl](const std::string& bytes) {
        if (ssl && !bytes.empty()) SSL_write(ssl, bytes.data(), static_cast<int>(bytes.size()));
        if (!ssl) ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    };
    static const std::regex kMarker("<pause ([0-9]+)>|<reset>|<close>|<no request>");
    std::size_t at = 0;
    for (std::sregex_iterator it(script_.begin(), script_.end(), kMarker), end; it != end; ++it) {
        send(script_.substr(at, it->position() - at));
        at = it->position() + it->length();
        static const linger kAbort{1, 0};
        if (it->str() == "<reset>") ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &kAbort, sizeof kAbort);
        if (it->str() == "<reset>" || it->str() == "<close>") return;
        // The listener shut down by Stop() reports a hang-up too.
        pollfd ends[2] = {{fd, POLLRDHUP, 0}, {listenFd_, 0, 0}};
        if ((*it)[1].matched && ::poll(ends, 2, std::stoi((*it)[1].str())) > 0) {
            hungUp_ = hungUp_ || ends[0].revents != 0;
            return;
        }
    }
    send(script_.substr(at));
    if (ssl) SSL_shutdown(ssl);
}

}  // namespace qvestra::testing
