#pragma once

#include <string>
#include <vector>

#include "net/socket.h"

namespace qvestra::testing {

// Sockets whose Connect answers as told and records what it was asked;
// nothing is ever sent.
class FakeSocketFactory final : public net::SocketFactory {
  public:
    struct ConnectCall {
        std::string host;
        int port;
        int timeoutSeconds;
    };

    int connectResult = net::kOk;
    std::vector<ConnectCall> connects;

    std::unique_ptr<net::Socket> Create() override { return std::make_unique<FakeSocket>(*this); }

  private:
    class FakeSocket final : public net::Socket {
      public:
        explicit FakeSocket(FakeSocketFactory& owner) : owner_(owner) {}
        int Connect(const std::string& host, int port, int timeoutSeconds, net::TimeOut) override {
            owner_.connects.push_back({host, port, timeoutSeconds});
            return owner_.connectResult;
        }
        int Write(const std::string&) override { return net::kNotConnected; }
        int ReadLine(std::string&) override { return net::kClosed; }
        int Read(std::string&) override { return net::kClosed; }
        void Close() override {}

      private:
        FakeSocketFactory& owner_;
    };
};

}  // namespace qvestra::testing
