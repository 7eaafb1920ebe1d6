#include "net/route.h"

#include "net/http_text.h"

namespace qvestra::net {

namespace {

// The proxy's answer to the tunnel's request is the proxy's own: only a
// 2xx opens the tunnel, and nothing of it reaches the service's reply.
int OpenTunnel(Socket& socket, const ServiceEndpoint& endpoint) {
    if (const int written = socket.Write(TunnelRequest(endpoint)); written != kOk) return written;
    int status = 0;
    const int read = ReadReplyHeader(socket, status, [](const std::string&) {});
    if (read != kOk) return read;
    return status >= 200 && status <= 299 ? kOk : kConnectFailed;
}

}  // namespace

int OpenRoute(Socket& socket, const ServiceEndpoint& endpoint, int timeoutSeconds, TimeOut rule) {
    int result =
        socket.Connect(endpoint.ConnectHost(), endpoint.ConnectPort(), timeoutSeconds, rule);
    if (result == kOk && endpoint.Tls() && endpoint.proxy) result = OpenTunnel(socket, endpoint);
    if (result == kOk && endpoint.Tls()) result = socket.StartTls(endpoint.host);
    if (result != kOk) socket.Close();
    return result;
}

int ReadReplyHeader(Socket& socket, int& status,
                    const std::function<void(const std::string&)>& line) {
    std::string text;
    for (int lines = 0;; ++lines) {
        if (const int read = socket.ReadLine(text); read != kOk) return read;
        if (text.empty()) return kOk;
        if (lines > kMaxHeaderLines) return kHeaderTooLong;
        if (lines == 0) {
            status = StatusCodeOf(text);
        } else {
            line(text);
        }
    }
}

}  // namespace qvestra::net
