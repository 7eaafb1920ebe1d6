#pragma once

#include <chrono>
#include <string>

#include "net/socket.h"

namespace qvestra::net {

class TcpSocket final : public Socket {
  public:
    TcpSocket() = default;
    ~TcpSocket() override;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    int Connect(const std::string& host, int port, int timeoutSeconds) override;
    int Write(const std::string& text) override;
    int ReadLine(std::string& line) override;
    int Read(std::string& bytes) override;
    void Close() override;

    // A header line longer than this ends the read with kLineTooLong instead
    // of letting a broken server grow the buffer without bound.
    static constexpr std::size_t kMaxLineBytes = 1 << 20;
    static constexpr std::size_t kReadChunkBytes = 256 * 1024;

  private:
    // Waits for data within the time-out and appends it to buffer_.
    int Fill();

    int fd_ = -1;
    std::chrono::milliseconds timeout_{0};
    std::string buffer_;
    bool peerClosed_ = false;
};

class TcpSocketFactory final : public SocketFactory {
  public:
    std::unique_ptr<Socket> Create() override;
};

}  // namespace qvestra::net
