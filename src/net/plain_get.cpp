#include "net/plain_get.h"

#include <chrono>

#include "net/http_text.h"
#include "net/log.h"

namespace qvestra::net {

ExchangeResult PlainGet(Socket& socket, const ServiceEndpoint& endpoint,
                        const PlainRequest& request, BodySink& sink) {
    const auto started = std::chrono::steady_clock::now();
    ExchangeResult result;
    // The request line alone: the proxy's credentials go in other lines.
    const std::string line = request.text.substr(0, request.text.find('\r'));
    const auto logEnd = [&] {
        qCInfo(lcNet, "%s: %s, status %d, %lld body bytes, %lld ms%s", line.c_str(),
               ResultText(result.SockResult), result.StatusCode,
               static_cast<long long>(result.BodyBytes),
               static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - started)
                                          .count()),
               result.ViaProxy ? ", through the proxy" : "");
    };
    result.SockResult = OpenRoute(socket, endpoint, request.timeoutSeconds, request.rule);
    result.ConnectResult = result.SockResult;
    result.ViaProxy = endpoint.ProxyReadsRequests();
    if (result.SockResult != kOk) {
        logEnd();
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
    // they have sent it all. What follows that length is no part of it, as
    // HTTP has it. Without a length only the server's end counts.
    const auto& announced = length.Value();
    const auto left = [&] {
        return announced && !length.Unreadable() ? std::optional(*announced - result.BodyBytes)
                                                 : std::optional<std::int64_t>();
    };
    std::string chunk;
    if (result.SockResult == kOk) result.SockResult = left() == 0 ? kClosed : socket.Read(chunk);
    while (result.SockResult == kOk) {
        if (const auto rest = left(); rest && static_cast<std::int64_t>(chunk.size()) > *rest)
            chunk.resize(static_cast<std::size_t>(*rest));
        result.BodyBytes += static_cast<std::int64_t>(chunk.size());
        sink.Chunk(chunk);
        if (left() == 0) result.SockResult = kClosed;
        if (result.SockResult != kOk || !sink.Wanted()) break;
        result.SockResult = socket.Read(chunk);
    }
    socket.Close();
    logEnd();
    sink.Finish(result);
    return result;
}

ExchangeResult Get(const Exchange& exchange, std::string request, int timeoutSeconds,
                   BodySink& sink, TimeOut rule) {
    return PlainGet(exchange.socket, exchange.endpoint, {std::move(request), timeoutSeconds, rule},
                    sink);
}

}  // namespace qvestra::net
