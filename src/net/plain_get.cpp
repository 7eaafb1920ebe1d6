#include "net/plain_get.h"

#include "net/http_text.h"

namespace qvestra::net {

void PlainGet(Socket& socket, const ServiceEndpoint& endpoint, const PlainRequest& request,
              BodySink& sink, ExchangeState& state) {
    state.SockResult = socket.Connect(endpoint.host, endpoint.port, request.timeoutSeconds);
    state.ConnectResult = state.SockResult;
    // A failed connection makes the write a no-op and the reads fail at
    // once, so the steps below need no branch of their own for it.
    socket.Write(request.text);

    state.StatusCode = 0;
    bool firstLine = true;
    do {
        state.SockResult = socket.ReadLine(state.RecvLine);
        if (state.SockResult != kOk || state.RecvLine.empty()) break;
        if (firstLine) {
            state.StatusCode = StatusCodeOf(state.RecvLine);
            firstLine = false;
        } else {
            sink.HeaderLine(state.RecvLine);
        }
    } while (true);

    state.SockResult = socket.Read(state.RecvBuf);
    state.BodyBytes = 0;
    state.ChunkCount = 0;
    while (state.SockResult == kOk) {
        state.BodyBytes += static_cast<std::int64_t>(state.RecvBuf.size());
        sink.Chunk(state.RecvBuf, state.ChunkCount);
        ++state.ChunkCount;
        if (!sink.Wanted()) break;
        state.SockResult = socket.Read(state.RecvBuf);
    }
    socket.Close();
    sink.Finish(state);
}

}  // namespace qvestra::net
