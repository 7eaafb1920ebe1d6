#include "net/probe.h"

#include "net/http_text.h"
#include "net/plain_get.h"
#include "net/protocol.h"
#include "net/route.h"

namespace qvestra::net {

namespace {

class HeaderOnly final : public BodySink {
  public:
    void Chunk(const std::string&) override {}
    bool Wanted() const override { return false; }
    void Finish(const ExchangeResult&) override {}
};

}  // namespace

bool ReachService(Socket& socket, const ServiceEndpoint& endpoint, int timeoutSeconds) {
    if (!endpoint.ProxyReadsRequests()) {
        const bool reached =
            OpenRoute(socket, endpoint, timeoutSeconds, TimeOut::kWholeExchange) == kOk;
        socket.Close();
        return reached;
    }
    HeaderOnly sink;
    const int status =
        PlainGet(socket, endpoint, {protocol::ServiceThroughProxy(endpoint), timeoutSeconds}, sink)
            .StatusCode;
    return status >= 200 && !IsProxyRefusal(status, true);
}

}  // namespace qvestra::net
