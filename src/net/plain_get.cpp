#include "net/plain_get.h"

#include "net/http_text.h"

namespace qvestra::net {

void PlainGet(Socket& socket, const ServiceEndpoint& endpoint, const PlainRequest& request,
              BodySink& sink, ExchangeState& state) {
    state.SockResult = socket.Connect(endpoint.ConnectHost(), endpoint.ConnectPort(),
                                      request.timeoutSeconds, request.rule);
    state.ConnectResult = state.SockResult;
    state.ViaProxy = endpoint.proxy.has_value();
    // A failed connection makes the write a no-op and the reads fail at
    // once, so the steps below need no branch of their own for it.
    socket.Write(OnRoute(endpoint, request.text));

    state.StatusCode = 0;
    int lines = 0;
    for (;;) {
        state.SockResult = socket.ReadLine(state.RecvLine);
        if (state.SockResult != kOk || state.RecvLine.empty()) break;
        if (++lines > kMaxHeaderLines + 1) {
            state.SockResult = kHeaderTooLong;
            break;
        }
        if (lines == 1) {
            state.StatusCode = StatusCodeOf(state.RecvLine);
        } else {
            sink.HeaderLine(state.RecvLine);
        }
    }

    state.BodyBytes = 0;
    state.ChunkCount = 0;
    if (state.SockResult == kOk) state.SockResult = socket.Read(state.RecvBuf);
    while (state.SockResult == kOk) {
        state.BodyBytes += static_cast<std::int64_t>(state.RecvBuf.size());
        sink.Chunk(state.RecvBuf);
        ++state.ChunkCount;
        if (!sink.Wanted()) break;
        state.SockResult = socket.Read(state.RecvBuf);
    }
    socket.Close();
    sink.Finish(state);
}

}  // namespace qvestra::net
