#pragma once

#include <array>
#include <chrono>
#include <string>

#include "net/abort_switch.h"
#include "net/receive_buffer.h"
#include "net/socket.h"

namespace qvestra::net {

class TcpSocket final : public Socket {
  public:
    // Either switch, when given, ends every wait of this socket once
    // tripped: the program's end, and this socket's own cancel.
    explicit TcpSocket(const AbortSwitch* abort = nullptr, const AbortSwitch* cancel = nullptr)
        : aborts_{abort, cancel} {}
    ~TcpSocket() override;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    int Connect(const std::string& host, int port, int timeoutSeconds, TimeOut rule) override;
    int Write(const std::string& text) override;
    int ReadLine(std::string& line) override;
    int Read(std::string& bytes) override;
    void Close() override;

  private:
    using Clock = std::chrono::steady_clock;

    // Waits for data until the deadline and appends it to buffer.
    int Fill(std::string& buffer);
    // Bytes moved: under TimeOut::kBetweenBytes the time-out starts again.
    void Progressed();
    // kOk once fd is ready for events, else why not.
    int Wait(int fd, short events) const;

    bool Aborted() const { return Tripped(aborts_[0]) || Tripped(aborts_[1]); }

    const std::array<const AbortSwitch*, 2> aborts_;
    int fd_ = -1;
    TimeOut rule_ = TimeOut::kWholeExchange;
    std::chrono::milliseconds timeout_{0};
    Clock::time_point deadline_{};
    ReceiveBuffer received_;
    ReceiveBuffer::Fill fill_ = [this](std::string& buffer) { return Fill(buffer); };
    bool peerClosed_ = false;
};

class TcpSocketFactory final : public SocketFactory {
  public:
    explicit TcpSocketFactory(const AbortSwitch* abort = nullptr) : abort_(abort) {}
    std::unique_ptr<Socket> Create(const AbortSwitch* cancel) override;

  private:
    const AbortSwitch* abort_;
};

}  // namespace qvestra::net
