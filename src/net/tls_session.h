#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace qvestra::net {

// What one step of a connection's reading or writing came to, with TLS or
// without: bytes moved, or what the connection waits for before the same
// step can go on, or its end.
struct IoStep {
    enum Kind { kDone, kWantRead, kWantWrite, kPeerClosed, kFailed, kUnverified };
    Kind kind = kFailed;
    std::size_t bytes = 0;
};

// OpenSSL's name and version, as it says them.
std::string TlsLibraryVersion();

// The client's side of TLS over a connected, non-blocking socket, by
// OpenSSL: TLS 1.2 or later, the server's name sent, its certificate
// verified against the system's trust (OpenSSL's default locations) and the
// name. Nothing here turns verification off. The socket stays its owner's;
// every step returns at once, its owner waits.
class TlsSession {
  public:
    // Nothing when OpenSSL cannot set up a connection at all.
    static std::unique_ptr<TlsSession> Start(int fd, const std::string& serverName);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // kDone once the server is verified; kUnverified for a certificate that
    // does not verify and for a peer that does not speak TLS.
    IoStep Handshake();
    // kPeerClosed only for the server's own end of TLS: a connection cut
    // without it may have lost the rest of a reply, and fails.
    IoStep Read(char* data, std::size_t size);
    IoStep Write(const char* data, std::size_t size);
    // Says the client's end of TLS if the socket takes it at once.
    void Close();
    // Why TLS failed, in OpenSSL's words; empty while it has not.
    const std::string& FailureReason() const;

  private:
    struct Connection;
    explicit TlsSession(std::unique_ptr<Connection> connection);
    IoStep Step(int returned, std::size_t bytes, bool handshaking) const;

    std::unique_ptr<Connection> connection_;
};

}  // namespace qvestra::net
