#pragma once

#include <sys/socket.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>

namespace qvestra::testing {

// A whole 200 reply that announces its length.
inline std::string OkReply(const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A socket of type (SOCK_STREAM, SOCK_DGRAM) bound to 127.0.0.1 on a port of
// the system's choice, which port tells.
int BoundOnLoopback(int type, int& port);

// A TCP server on 127.0.0.1 with a port of the system's choice. For each of
// its connections (one unless told) it records the request bytes up to the
// empty line, then plays its script and closes: the script's text is sent as
// it stands, except that "<pause N>" waits N ms, "<reset>" aborts the
// connection and "<close>" closes it without TLS's closing alert. A client that hangs up during a
// pause ends its script there. Every wait is bounded. Given a certificate and key (PEM files), it
// speaks TLS; a client that does not finish the handshake gets no script. A script that starts with
// "<no request>" is played without waiting for one.
struct TlsIdentity {
    std::string certificate;
    std::string key;
};

class ScriptedServer {
  public:
    explicit ScriptedServer(std::string script, int connections = 1,
                            std::optional<TlsIdentity> tls = std::nullopt);
    ~ScriptedServer();

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by path.
    std::string Address(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    // Connections accepted so far.
    int Connections() const { return accepted_; }
    // Connections whose request has been read, as far as it came.
    int Requests() const { return requests_; }
    // Whether a client hung up during a pause: it did not wait for the rest.
    // Asked once the client is done, as Request().
    bool HungUpMidScript() { return Stop(), hungUp_; }
    // The requests as received, one after another. Asked once the client is
    // done: the rest of the scripts is cut short.
    std::string Request() { return Stop(), request_; }

    // A port on which nothing listens.
    static int ClosedPort() { return ScriptedServer("").Port(); }

  private:
    void Serve();
    void ServeOne(int fd);
    void Stop();

    std::string script_;
    int connections_;
    std::optional<TlsIdentity> tls_;
    std::atomic<int> accepted_{0};
    std::atomic<int> requests_{0};
    // Written by the server's thread, read only once it has ended.
    bool hungUp_ = false;
    std::string request_;
    int port_ = 0;
    int listenFd_ = BoundOnLoopback(SOCK_STREAM, port_);
    std::thread thread_{[this] { Serve(); }};
};

}  // namespace qvestra::testing
