#include "net/plain_get.h"

#include "net/http_text.h"

namespace qvestra::net {

ExchangeResult PlainGet(Socket& socket, const ServiceEndpoint& endpoint,
                        const PlainRequest& request, BodySink& sink) {
    ExchangeResult result;
    result.SockResult = OpenRoute(socket, endpoint, request.timeoutSeconds, request.rule);
    result.ConnectResult = result.SockResult;
    result.ViaProxy = endpoint.ProxyReadsRequests();
    if (result.SockResult != kOk) {
        sink.Finish(result);
        return result;
    }
    // A server may answer before it has read the request: its reply counts
    // even when the rest of the request could not be sent.
    socket.Write(OnRoute(endpoint, request.text));
    BodyLength length;
    result.SockResult =
        ReadReplyHeader(socket, result.StatusCode, [&sink, &length](const std::string& line) {
            length.Take(line);
            sink.HeaderLine(line);
        });
    if (result.SockResult == kOk) sink.HeaderEnd(result.StatusCode);
    // The reply ends with its announced length, however the connection ends
    // afterwards: many servers close TLS without its closing alert once
    // they have sent it all. Without a length only the server's end counts.
    const auto arrived = [&length, &result] {
        return !length.Unreadable() && length.Value() && result.BodyBytes >= *length.Value();
    };
    std::string chunk;
    if (result.SockResult == kOk) result.SockResult = arrived() ? kClosed : socket.Read(chunk);
    while (result.SockResult == kOk) {
        result.BodyBytes += static_cast<std::int64_t>(chunk.size());
        sink.Chunk(chunk);
        if (arrived()) result.SockResult = kClosed;
        if (result.SockResult != kOk || !sink.Wanted()) break;
        result.SockResult = socket.Read(chunk);
    }
    socket.Close();
    sink.Finish(result);
    return result;
}

}  // namespace qvestra::net
