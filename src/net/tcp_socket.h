#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "core/abort_switch.h"
#include "net/receive_buffer.h"
#include "net/resolve.h"
#include "net/socket.h"
#include "net/tls_session.h"

namespace qvestra::net {

class TcpSocket final : public Socket {
  public:
    // The switch, when given, ends every wait of this socket once tripped.
    // Names are looked up by resolver, or by the thread's own.
    explicit TcpSocket(const core::AbortSwitch* cancel = nullptr, Pace pace = {},
                       UnverifiedReport unverified = {}, NameResolver* resolver = nullptr)
        : cancel_(cancel), pace_(pace), unverified_(std::move(unverified)), resolver_(resolver) {}
    ~TcpSocket() override;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    int Connect(const std::string& host, int port, int timeoutSeconds, TimeOut rule) override;
    int StartTls(const std::string& serverName) override;
    int Write(const std::string& text) override;
    int ReadLine(std::string& line) override;
    int Read(std::string& bytes) override;
    void Close() override;

  private:
    using Clock = std::chrono::steady_clock;

    // Waits for data until the deadline and appends it to buffer.
    int Fill(std::string& buffer);
    // TLS over the connection, its server verified: kOk, or why not.
    int Handshake(const std::string& serverName);
    // The next bytes in or out, from the connection or from TLS over it.
    IoStep Receive(char* data, std::size_t size);
    IoStep Send(const char* data, std::size_t size);
    // kOk once the step that asked for it may be tried again, else why not.
    // A read waits under the minimum speed.
    int Await(const IoStep& step, bool reading);
    // kOk once bytes can be read, else why not: the deadline, or a window
    // of the minimum speed that ended short of its bytes.
    int WaitForBytes();
    void Received(std::size_t bytes);
    // Bytes moved: under TimeOut::kBetweenBytes the time-out starts again.
    void Progressed();
    // kOk once fd is ready for events, else why not; kTimedOut at the
    // deadline or at until, whichever comes first.
    int Wait(int fd, short events, Clock::time_point until = Clock::time_point::max()) const;
    // The time-out's deadline, or the head's while the body has not started.
    Clock::time_point Deadline() const { return std::min(deadline_, headEnd_); }

    bool Aborted() const { return core::Tripped(cancel_); }

    const core::AbortSwitch* cancel_;
    Pace pace_;
    UnverifiedReport unverified_;
    NameResolver* resolver_;
    std::unique_ptr<TlsSession> tls_;
    // By then a window's worth of body bytes must have come since the last
    // one did; none until the body starts.
    Clock::time_point windowEnd_{};
    std::int64_t windowBytes_ = 0;
    int fd_ = -1;
    TimeOut rule_ = TimeOut::kWholeExchange;
    std::chrono::milliseconds timeout_{0};
    Clock::time_point deadline_{};
    // By then the head must have come; none once the body starts.
    Clock::time_point headEnd_{};
    ReceiveBuffer received_;
    ReceiveBuffer::Fill fill_ = [this](std::string& buffer) { return Fill(buffer); };
    bool peerClosed_ = false;
};

class TcpSocketFactory final : public SocketFactory {
  public:
    explicit TcpSocketFactory(Pace pace = {}, UnverifiedReport unverified = {})
        : pace_(pace), unverified_(std::move(unverified)) {}
    std::unique_ptr<Socket> Create(const core::AbortSwitch& cancel) override;

  private:
    Pace pace_;
    UnverifiedReport unverified_;
};

}  // namespace qvestra::net
