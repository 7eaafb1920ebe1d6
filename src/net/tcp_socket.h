#pragma once

#include <chrono>
#include <string>

#include "net/receive_buffer.h"
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

  private:
    // Waits for data within the time-out and appends it to buffer.
    int Fill(std::string& buffer);

    int fd_ = -1;
    std::chrono::milliseconds timeout_{0};
    ReceiveBuffer received_;
    ReceiveBuffer::Fill fill_ = [this](std::string& buffer) { return Fill(buffer); };
    bool peerClosed_ = false;
};

class TcpSocketFactory final : public SocketFactory {
  public:
    std::unique_ptr<Socket> Create() override;
};

}  // namespace qvestra::net
