#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "fakes/scripted_server.h"

namespace qvestra::testing {

// A name server on 127.0.0.1 for UDP. Answering, it says 127.0.0.1 to an
// address (A) question after 100 ms and "none" to any other; silent, it
// only listens, and tells whether anything came (any UDP peer's).
class NameServer {
  public:
    explicit NameServer(bool answers)
        : thread_(answers ? std::thread([this] { Answer(); }) : std::thread()) {}
    ~NameServer() {
        ::shutdown(fd_, SHUT_RDWR);
        if (thread_.joinable()) thread_.join();
        ::close(fd_);
    }
    int Port() const { return port_; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
    bool Asked() const { return ::recv(fd_, nullptr, 0, MSG_DONTWAIT | MSG_TRUNC) > 0; }

  private:
    void Answer() {
        char packet[512];
        sockaddr peer{};  // 127.0.0.1's, as every peer here
        for (socklen_t length = sizeof peer;;) {
            const ssize_t n = ::recvfrom(fd_, packet, 400, 0, &peer, &length);
            if (n < 17) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            // The question as asked, flagged as an answer; its type sits
            // just before its class, at the end.
            std::string reply(packet, static_cast<std::size_t>(n));
            const bool address = reply[reply.size() - 3] == 1;
            reply[2] = '\x81', reply[3] = '\x80', reply[7] = address;
            if (address) reply += std::string("\xc0\x0c\0\1\0\1\0\0\0\x3c\0\4\x7f\0\0\1", 16);
            ::sendto(fd_, reply.data(), reply.size(), 0, &peer, length);
        }
    }
    int port_ = 0;
    int fd_ = BoundOnLoopback(SOCK_DGRAM, port_);
    std::thread thread_;
};

}  // namespace qvestra::testing
