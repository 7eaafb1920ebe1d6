#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace qvestra::net {

class AbortSwitch;

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

// Once a reply's body starts, a window's worth of bytes (bytesPerSecond ×
// window) must come within a window of its start or of the last window's
// worth; otherwise the transfer ends as too slow, so a host that drips or
// stops cannot hold the exchanges behind it for the length of its time-out.
// The values are those curl takes for its low-speed limit when given only
// one of them (1 byte a second, 30 seconds), which the page reads through
// curl use too: the slowest link a member reads over brings thousands of
// times more, and a stall that long is a dead link. Before the body, the
// exchange's own time-out alone decides.
struct MinimumSpeed {
    long bytesPerSecond = 1;
    std::chrono::seconds window{30};
};

// What the time-out given to Connect bounds. A status file or a mirror copy
// must be done within it as a whole, however slowly the host sends; a large
// document only fails once its bytes stop coming for that long.
enum class TimeOut {
    kWholeExchange,
    kBetweenBytes,
};

// A TCP client with blocking calls, all of them bounded by the time-out
// given to Connect, its reads by the minimum speed as well. Failures are
// results, never exceptions.
class Socket {
  public:
    virtual ~Socket() = default;

    // Resolves host and connects within timeoutSeconds (resolution included);
    // the later calls on this connection share that time-out as rule says.
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
    // The next bytes available (at least one). Fails once the peer closed and
    // nothing is left, on time-out or on error.
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
    virtual std::unique_ptr<Socket> Create(const AbortSwitch& cancel) = 0;
};

}  // namespace qvestra::net
