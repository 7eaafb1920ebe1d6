#pragma once

#include <cstdint>
#include <string>

#include "net/route.h"
#include "net/service_endpoint.h"
#include "net/socket.h"

namespace qvestra::net {

// What one exchange came to.
struct ExchangeResult {
    // Why the exchange ended: kClosed when the reply ended, with its
    // announced length or, without one, by the server's end.
    int SockResult = kNotConnected;
    // Result of the exchange's Connect.
    int ConnectResult = kNotConnected;
    // 64-bit so a body of any size keeps counting correctly.
    std::int64_t BodyBytes = 0;
    // Status code of the reply's first line, 0 when there was none. The
    // header skip does not look at it; callers that must not store an error
    // page do.
    int StatusCode = 0;
    // The reply came from a proxy that read the request, and may have
    // written it itself; never one that only carried TLS.
    bool ViaProxy = false;
};

// Where the body of an exchange goes.
class BodySink {
  public:
    virtual ~BodySink() = default;
    // Every header line after the status line, up to the empty line.
    virtual void HeaderLine(const std::string& line) { (void)line; }
    // The whole header has come, with this status; the body follows.
    virtual void HeaderEnd(int status) { (void)status; }
    // One chunk of the body.
    virtual void Chunk(const std::string& bytes) = 0;
    // False stops the body loop before the next read.
    virtual bool Wanted() const { return true; }
    // After the connection is closed.
    virtual void Finish(const ExchangeResult& result) = 0;
};

// What one exchange runs on: its connection and the service.
struct Exchange {
    Socket& socket;
    const ServiceEndpoint& endpoint;
};

struct PlainRequest {
    std::string text;  // see RequestText()
    int timeoutSeconds = 10;
    TimeOut rule = TimeOut::kWholeExchange;
};

// Open the route (net/route.h), write the request, skip the reply header
// line by line, stream the body chunk by chunk into sink, close. A header
// that cannot be read to its end (too long, cut off, timed out) fails the
// exchange: no byte after it counts as body. The body ends once its
// announced length has come (bytes beyond it are not the reply's), or else
// with the connection.
ExchangeResult PlainGet(Socket& socket, const ServiceEndpoint& endpoint,
                        const PlainRequest& request, BodySink& sink);
// The same for a request text (see net/protocol.h) on an exchange.
ExchangeResult Get(const Exchange& exchange, std::string request, int timeoutSeconds,
                   BodySink& sink, TimeOut rule = TimeOut::kWholeExchange);

}  // namespace qvestra::net
