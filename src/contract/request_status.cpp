#include "contract/request_status.h"

#include "net/http_text.h"
#include "store/answers.h"
#include "store/sinks.h"

namespace qvestra::contract {

std::optional<QString> FetchRequestStatus(net::Socket& socket, const net::ServiceEndpoint& endpoint,
                                          const std::string& hostHeader,
                                          const QString& memberNumber,
                                          const std::filesystem::path& localCopy,
                                          net::ExchangeState& state) {
    constexpr int kTimeoutSeconds = 10;
    const std::string line = net::AbsoluteRequestLine(
        endpoint, "/q_vestra/LOG_K/keika" + memberNumber.toStdString() + ".txt");
    store::ShortAnswerSink sink(localCopy);
    net::PlainGet(socket, endpoint, {net::RequestText(line, hostHeader), kTimeoutSeconds}, sink,
                  state);
    if (!sink.Answer()) return std::nullopt;
    return store::AnswerField(*sink.Answer());
}

}  // namespace qvestra::contract
