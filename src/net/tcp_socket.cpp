#include "net/tcp_socket.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/resolve.h"

namespace qvestra::net {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for events on fd until the deadline; false on time-out or error.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, RemainingMs(deadline));
        if (n > 0) return true;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

int ConnectOne(const ResolvedAddress& a, Clock::time_point deadline) {
    const int fd = ::socket(a.family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a.address), a.length) == 0) return fd;
    if (errno == EINPROGRESS && WaitFor(fd, POLLOUT, deadline)) {
        int error = 0;
        socklen_t len = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0) return fd;
    }
    ::close(fd);
    return -1;
}

}  // namespace

TcpSocket::~TcpSocket() { Close(); }

int TcpSocket::Connect(const std::string& host, int port, int timeoutSeconds) {
    Close();
    timeout_ = std::chrono::seconds(timeoutSeconds > 0 ? timeoutSeconds : 0);
    const auto deadline = Clock::now() + timeout_;
    const auto addresses = ResolveTcp(host, port, timeout_);
    if (addresses.empty()) return kResolveFailed;
    for (const auto& a : addresses) {
        if (Clock::now() >= deadline) return kTimedOut;
        fd_ = ConnectOne(a, deadline);
        if (fd_ >= 0) return kOk;
    }
    return kConnectFailed;
}

int TcpSocket::Write(const std::string& text) {
    if (fd_ < 0) return kNotConnected;
    const auto deadline = Clock::now() + timeout_;
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(fd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!WaitFor(fd_, POLLOUT, deadline)) return kTimedOut;
        } else {
            return kIoError;
        }
    }
    return kOk;
}

int TcpSocket::Fill(std::string& buffer) {
    if (peerClosed_) return kClosed;
    const auto deadline = Clock::now() + timeout_;
    for (;;) {
        if (!WaitFor(fd_, POLLIN, deadline)) return kTimedOut;
        // Received straight into the buffer's tail: no copy on the way in.
        const std::size_t had = buffer.size();
        buffer.resize(had + ReceiveBuffer::kReadChunkBytes);
        const ssize_t n = ::recv(fd_, buffer.data() + had, ReceiveBuffer::kReadChunkBytes, 0);
        buffer.resize(had + (n > 0 ? static_cast<std::size_t>(n) : 0));
        if (n > 0) return kOk;
        if (n == 0) {
            peerClosed_ = true;
            return kClosed;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return kIoError;
    }
}

int TcpSocket::ReadLine(std::string& line) {
    if (fd_ < 0) return kNotConnected;
    return received_.ReadLine(fill_, line);
}

int TcpSocket::Read(std::string& bytes) {
    if (fd_ < 0) return kNotConnected;
    return received_.Read(fill_, bytes);
}

void TcpSocket::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    received_.Clear();
    peerClosed_ = false;
}

std::unique_ptr<Socket> TcpSocketFactory::Create() { return std::make_unique<TcpSocket>(); }

}  // namespace qvestra::net
