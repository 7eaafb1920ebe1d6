#include "contract/record_refresh.h"

#include "net/http_text.h"
#include "store/answers.h"
#include "store/sinks.h"

namespace qvestra::contract {

RecordRefresh FetchUserRecord(net::Socket& socket, const net::ServiceEndpoint& endpoint,
                              const QString& memberNumber, net::ExchangeState& state) {
    constexpr int kTimeoutSeconds = 10;
    const std::string line = net::AbsoluteRequestLine(
        endpoint, "/q_vestra/LOG_K/qvuser" + memberNumber.toStdString() + ".txt");
    store::ShortAnswerSink sink;
    net::PlainGet(socket, endpoint, {net::RequestText(line, ""), kTimeoutSeconds}, sink, state);
    if (state.ConnectResult != net::kOk || !sink.Answer()) return {};
    const QString field = store::AnswerField(*sink.Answer());
    if (field == u"K_CANCEL") return {RecordRefresh::kCancelled, {}};
    // The key is not examined; the record must have the user file's layout.
    const auto record = store::KeyedRecord(field, {});
    if (!record) return {};
    return {RecordRefresh::kRecord, *record};
}

}  // namespace qvestra::contract
