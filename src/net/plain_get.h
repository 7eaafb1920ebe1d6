#pragma once

#include <cstdint>
#include <string>

#include "net/service_endpoint.h"
#include "net/socket.h"

namespace qvestra::net {

// What one exchange leaves behind; every exchange on the queue has a set of
// its own.
struct ExchangeState {
    std::int32_t SockResult = 0;
    // Result of this exchange's Connect; SockResult moves on to the reads.
    std::int32_t ConnectResult = 0;
    std::string RecvLine;
    std::string RecvBuf;
    // Counts are 64-bit so a body of any size keeps counting correctly.
    std::int64_t ChunkCount = 0;
    std::int64_t BodyBytes = 0;
    // Status code of the reply's first line, 0 when there was none. The
    // header skip does not look at it; callers that must not store an error
    // page do.
    int StatusCode = 0;
    // The reply came from a proxy, which may have written it itself.
    bool ViaProxy = false;
};

// Where the body of an exchange goes.
class BodySink {
  public:
    virtual ~BodySink() = default;
    // Every header line after the status line, up to the empty line.
    virtual void HeaderLine(const std::string& line) { (void)line; }
    // One chunk of the body.
    virtual void Chunk(const std::string& bytes) = 0;
    // False stops the body loop before the next read.
    virtual bool Wanted() const { return true; }
    // After the connection is closed.
    virtual void Finish(const ExchangeState& state) = 0;
};

struct PlainRequest {
    std::string text;  // see RequestText()
    int timeoutSeconds = 10;
    TimeOut rule = TimeOut::kWholeExchange;
};

// A reply header with more lines than this is no header this client asked
// for; together with the socket's line limit it bounds what one header costs.
inline constexpr int kMaxHeaderLines = 100;

// Connect (to the endpoint's proxy when it has one), write the request,
// skip the reply header line by line, stream
// the body chunk by chunk into sink, close. Leaves the results in state.
// A header that cannot be read to its end (too long, cut off, timed out)
// fails the exchange: no byte after it counts as body.
void PlainGet(Socket& socket, const ServiceEndpoint& endpoint, const PlainRequest& request,
              BodySink& sink, ExchangeState& state);

}  // namespace qvestra::net
