#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace qvestra::testing {

// A name server on 127.0.0.1 for UDP. Answering, it says 127.0.0.1 to an
// address (A) question after 100 ms and "none" to any other; silent, it
// only listens, and tells whether anything came (any UDP peer's).
class NameServer {
  public:
    explicit NameServer(bool answers) : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in at{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof at;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&at), length);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &length);
        port_ = ntohs(at.sin_port);
        if (answers) thread_ = std::thread([this] { Answer(); });
    }
    ~NameServer() {
        ::shutdown(fd_, SHUT_RDWR);
        if (thread_.joinable()) thread_.join();
        ::close(fd_);
    }
    int Port() const { return port_; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
    bool Asked() const {
        char query[512];
        return ::recv(fd_, query, sizeof query, MSG_DONTWAIT) > 0;
    }

  private:
    void Answer() {
        unsigned char packet[512];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        for (;;) {
            const ssize_t n =
                ::recvfrom(fd_, packet, 400, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (n < 17) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            // The question as asked, flagged as an answer; its type sits
            // just before its class, at the end.
            const bool address = packet[n - 3] == 1;
            packet[2] = 0x81, packet[3] = 0x80, packet[7] = address ? 1 : 0;
            const unsigned char record[] = {0xc0, 12, 0, 1, 0, 1, 0, 0, 0, 60, 0, 4, 127, 0, 0, 1};
            std::size_t size = static_cast<std::size_t>(n);
            if (address) {
                std::memcpy(packet + size, record, sizeof record);
                size += sizeof record;
            }
            ::sendto(fd_, packet, size, 0, reinterpret_cast<sockaddr*>(&from), length);
        }
    }
    int fd_;
    int port_ = 0;
    std::thread thread_;
};

}  // namespace qvestra::testing
