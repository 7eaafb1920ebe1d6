#include "net/plain_get.h"

#include "net/http_text.h"

namespace qvestra::net {

ExchangeResult PlainGet(Socket& socket, const ServiceEndpoint& endpoint,
                        const PlainRequest& request, BodySink& sink) {
    ExchangeResult result;
    result.SockResult = socket.Connect(endpoint.ConnectHost(), endpoint.ConnectPort(),
                                       request.timeoutSeconds, request.rule);
    result.ConnectResult = result.SockResult;
    result.ViaProxy = endpoint.proxy.has_value();
    // A failed connection makes the write a no-op and the reads fail at
    // once, so the steps below need no branch of their own for it.
    socket.Write(OnRoute(endpoint, request.text));

    std::string line;
    int lines = 0;
    for (;;) {
        result.SockResult = socket.ReadLine(line);
        if (result.SockResult != kOk || line.empty()) break;
        if (++lines > kMaxHeaderLines + 1) {
            result.SockResult = kHeaderTooLong;
            break;
        }
        if (lines == 1) {
            result.StatusCode = StatusCodeOf(line);
        } else {
            sink.HeaderLine(line);
        }
    }

    if (result.SockResult == kOk) sink.HeaderEnd(result.StatusCode);
    std::string chunk;
    if (result.SockResult == kOk) result.SockResult = socket.Read(chunk);
    while (result.SockResult == kOk) {
        result.BodyBytes += static_cast<std::int64_t>(chunk.size());
        sink.Chunk(chunk);
        if (!sink.Wanted()) break;
        result.SockResult = socket.Read(chunk);
    }
    socket.Close();
    sink.Finish(result);
    return result;
}

}  // namespace qvestra::net
