#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace qvestra::core {
class AbortSwitch;
}

namespace qvestra::net {

// Result codes of the socket calls. kClosed is the end of a reply the peer
// finished; every other value but kOk is a failure of its own kind.
enum SocketResult : int {
    kOk = 0,
    kNotConnected = 1,
    kResolveFailed = 2,
    kConnectFailed = 3,
    kTimedOut = 4,
    kClosed = 5,
    kIoError = 6,
    kLineTooLong = 7,
    kHeaderTooLong = 8,
    kAborted = 9,
    kTooSlow = 10,
    // TLS could not make sure the peer is the service: its certificate does
    // not verify, or it does not speak TLS at all.
    kUnverified = 11,
};

// A result code in words, for the log.
const char* ResultText(int result);

// How long an exchange may take before its body, and how fast its body
// must come, so that one slow host cannot hold the exchanges behind it.
//
// Everything before the body (the name look-up, connecting, TLS's
// handshake, a proxy's answer to CONNECT, the status line and the header)
// ends within `head` as a whole, whatever the pace of its bytes. A service
// that answers at all sends its header within a second or two of the
// request; 30 s leaves room for a look-up retried, a handshake of three
// round trips over a satellite link and a proxy that connects on its own.
//
// Once the body starts, a window's worth of bytes (bytesPerSecond ×
// window) must come within a window of the body's start or of the last
// window's worth; otherwise the transfer ends as too slow. The slowest link
// a member reads over is a phone's 2G fallback (GPRS at its worst, about 20
// kbit/s, 2.5 KiB a second): it brings a window's worth (60 KiB) in 24 s
// and may stall for 36 s more. A drip of a byte a second ends within a
// minute of the body's start.
struct Pace {
    std::chrono::milliseconds head{30000};
    long bytesPerSecond = 1024;
    std::chrono::seconds window{60};
};

// What the time-out given to Connect bounds. A status file or a mirror copy
// must be done within it as a whole, however slowly the host sends; a large
// document only fails once its bytes stop coming for that long.
enum class TimeOut {
    kWholeExchange,
    kBetweenBytes,
};

// A TCP client with blocking calls, all of them bounded by the time-out
// given to Connect and by the pace (see Pace). Failures are results, never
// exceptions.
class Socket {
  public:
    virtual ~Socket() = default;

    // Resolves host and connects within timeoutSeconds (resolution included);
    // the later calls on this connection share that time-out as rule says.
    // The calls up to the first Read are the reply's head (see Pace).
    virtual int Connect(const std::string& host, int port, int timeoutSeconds, TimeOut rule) = 0;
    // From here on every byte goes inside TLS with serverName, once its
    // certificate verified: kUnverified when it did not. Within the
    // connection's time-out. Bytes received and not yet read would pass for
    // the server's: with any, it fails.
    virtual int StartTls(const std::string& serverName) = 0;
    // Sends all of text; does nothing when not connected.
    virtual int Write(const std::string& text) = 0;
    // Next line without its line end (LF, or CR LF). Fails at once when not connected.
    virtual int ReadLine(std::string& line) = 0;
    // The next bytes of the body available (at least one). Fails once the
    // peer closed and nothing is left, on time-out or on error.
    virtual int Read(std::string& bytes) = 0;
    virtual void Close() = 0;
};

// Told each time a socket's peer failed TLS's verification; from the
// socket's own thread.
using UnverifiedReport = std::function<void()>;

class SocketFactory {
  public:
    virtual ~SocketFactory() = default;
    // Every wait of the socket ends once cancel is tripped; cancel outlives it.
    virtual std::unique_ptr<Socket> Create(const core::AbortSwitch& cancel) = 0;
};

}  // namespace qvestra::net
