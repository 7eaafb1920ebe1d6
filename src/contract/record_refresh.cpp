#include "contract/record_refresh.h"

#include "net/protocol.h"
#include "store/answers.h"

namespace qvestra::contract {

RecordRefresh FetchUserRecord(net::Socket& socket, const net::ServiceEndpoint& endpoint,
                              const QString& memberNumber) {
    const auto answer = store::FetchShortAnswer(
        socket, endpoint, net::protocol::MemberRecord(endpoint, memberNumber.toStdString()));
    if (!answer.field) return {};
    if (*answer.field == u"K_CANCEL") return {RecordRefresh::kCancelled, {}};
    // The key is not examined; the record must have the user file's layout.
    const auto record = store::KeyedRecord(*answer.field, {});
    if (!record) return {};
    return {RecordRefresh::kRecord, *record};
}

}  // namespace qvestra::contract
