#include "net/tcp_socket.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/log.h"
#include "net/resolve.h"

namespace qvestra::net {

TcpSocket::~TcpSocket() { Close(); }

int TcpSocket::Wait(int fd, short events, Clock::time_point until) const {
    for (;;) {
        // Rounded up: a wait that ended a moment early would poll again
        // and again for the rest of its millisecond.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(std::min(Deadline(), until) -
                                                                       Clock::now());
        pollfd p[2] = {{fd, events, 0}, {cancel_ != nullptr ? cancel_->Fd() : -1, POLLIN, 0}};
        const int n = ::poll(p, 2, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (n > 0 && p[1].revents != 0) return kAborted;
        if (n > 0) return kOk;
        if (n == 0) return kTimedOut;
        if (errno != EINTR) return kIoError;
    }
}

void TcpSocket::Progressed() {
    if (rule_ == TimeOut::kBetweenBytes) deadline_ = Clock::now() + timeout_;
}

int TcpSocket::Connect(const std::string& host, int port, int timeoutSeconds, TimeOut rule) {
    Close();
    rule_ = rule;
    timeout_ = std::chrono::seconds(timeoutSeconds > 0 ? timeoutSeconds : 0);
    deadline_ = Clock::now() + timeout_;
    headEnd_ = Clock::now() + pace_.head;
    if (Aborted()) return kAborted;
    NameResolver& resolver = resolver_ != nullptr ? *resolver_ : NameResolver::ForThisThread();
    const auto addresses = resolver.Resolve(host, port, Deadline(), cancel_);
    if (Aborted()) return kAborted;
    if (addresses.empty()) return Clock::now() >= Deadline() ? kTimedOut : kResolveFailed;
    int result = kConnectFailed;
    for (const auto& a : addresses) {
        if (Clock::now() >= Deadline()) return kTimedOut;
        const int fd = ::socket(a.family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) continue;
        // A connection made at once is writable at once: the wait returns.
        const bool started =
            ::connect(fd, reinterpret_cast<const sockaddr*>(&a.address), a.length) == 0 ||
            errno == EINPROGRESS;
        result = started ? Wait(fd, POLLOUT) : kConnectFailed;
        int error = 0;
        socklen_t len = sizeof error;
        if (result == kOk &&
            (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0))
            result = kConnectFailed;
        if (result == kOk) {
            fd_ = fd;
            Progressed();
            windowEnd_ = Clock::time_point::max();
            windowBytes_ = 0;
            return kOk;
        }
        ::close(fd);
        if (result == kAborted) return result;
    }
    return result == kTimedOut ? kTimedOut : kConnectFailed;
}

int TcpSocket::StartTls(const std::string& serverName) {
    if (fd_ < 0) return kNotConnected;
    const int result = Handshake(serverName);
    if (result == kOk) {
        Progressed();
        return kOk;
    }
    qCWarning(lcNet, "TLS with %s failed (%s): %s", serverName.c_str(), ResultText(result),
              tls_ ? tls_->FailureReason().c_str() : "no TLS connection");
    // Not one more byte goes to a peer that is not the service.
    Close();
    if (result == kUnverified && unverified_) unverified_();
    return result;
}

int TcpSocket::Handshake(const std::string& serverName) {
    if (!received_.Empty()) return kIoError;
    tls_ = TlsSession::Start(fd_, serverName);
    if (!tls_) return kUnverified;
    for (;;) {
        const IoStep step = tls_->Handshake();
        if (step.kind == IoStep::kDone) return kOk;
        if (const int r = Await(step, false); r != kOk) return r;
    }
}

IoStep TcpSocket::Send(const char* data, std::size_t size) {
    if (tls_) return tls_->Write(data, size);
    const ssize_t n = ::send(fd_, data, size, MSG_NOSIGNAL);
    if (n > 0) return {IoStep::kDone, static_cast<std::size_t>(n)};
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return {IoStep::kWantWrite};
    return {IoStep::kFailed};
}

IoStep TcpSocket::Receive(char* data, std::size_t size) {
    if (tls_) return tls_->Read(data, size);
    const ssize_t n = ::recv(fd_, data, size, 0);
    if (n > 0) return {IoStep::kDone, static_cast<std::size_t>(n)};
    if (n == 0) return {IoStep::kPeerClosed};
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return {IoStep::kWantRead};
    return {IoStep::kFailed};
}

int TcpSocket::Await(const IoStep& step, bool reading) {
    switch (step.kind) {
        case IoStep::kWantRead:
            return reading ? WaitForBytes() : Wait(fd_, POLLIN);
        case IoStep::kWantWrite:
            return Wait(fd_, POLLOUT);
        case IoStep::kUnverified:
            return kUnverified;
        default:
            return kIoError;
    }
}

int TcpSocket::Write(const std::string& text) {
    if (fd_ < 0) return kNotConnected;
    std::size_t sent = 0;
    while (sent < text.size()) {
        const IoStep step = Send(text.data() + sent, text.size() - sent);
        if (step.kind == IoStep::kDone) {
            sent += step.bytes;
            Progressed();
        } else if (const int r = Await(step, false); r != kOk) {
            return r;
        }
    }
    return kOk;
}

int TcpSocket::WaitForBytes() {
    for (;;) {
        if (Clock::now() >= windowEnd_) return kTooSlow;
        const int r = Wait(fd_, POLLIN, windowEnd_);
        if (r != kTimedOut || Clock::now() >= Deadline()) return r;
    }
}

void TcpSocket::Received(std::size_t bytes) {
    Progressed();
    // A window's worth of bytes starts the next window: a host that stops
    // is found one window after the last bytes that kept the pace.
    if (windowEnd_ == Clock::time_point::max()) return;
    windowBytes_ += static_cast<std::int64_t>(bytes);
    if (windowBytes_ >= pace_.bytesPerSecond * pace_.window.count()) {
        windowBytes_ = 0;
        windowEnd_ = Clock::now() + pace_.window;
    }
}

int TcpSocket::Fill(std::string& buffer) {
    if (peerClosed_) return kClosed;
    for (;;) {
        // Received straight into the buffer's tail: no copy on the way in.
        const std::size_t had = buffer.size();
        buffer.resize(had + ReceiveBuffer::kReadChunkBytes);
        const IoStep step = Receive(buffer.data() + had, ReceiveBuffer::kReadChunkBytes);
        buffer.resize(had + step.bytes);
        if (step.kind == IoStep::kDone) {
            Received(step.bytes);
            return kOk;
        }
        if (step.kind == IoStep::kPeerClosed) {
            peerClosed_ = true;
            return kClosed;
        }
        if (const int r = Await(step, true); r != kOk) return r;
    }
}

int TcpSocket::ReadLine(std::string& line) {
    if (fd_ < 0) return kNotConnected;
    return received_.ReadLine(fill_, line);
}

int TcpSocket::Read(std::string& bytes) {
    if (fd_ < 0) return kNotConnected;
    // The body starts: from here on it must keep the pace, and the head's
    // bound is over.
    if (windowEnd_ == Clock::time_point::max()) windowEnd_ = Clock::now() + pace_.window;
    headEnd_ = Clock::time_point::max();
    return received_.Read(fill_, bytes);
}

void TcpSocket::Close() {
    if (tls_) tls_->Close();
    tls_.reset();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    received_.Clear();
    peerClosed_ = false;
}

std::unique_ptr<Socket> TcpSocketFactory::Create(const core::AbortSwitch& cancel) {
    return std::make_unique<TcpSocket>(&cancel, pace_, unverified_);
}

}  // namespace qvestra::net
