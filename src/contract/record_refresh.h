#pragma once

#include <QString>

#include "net/service_endpoint.h"
#include "net/socket.h"

namespace qvestra::contract {

// What the service says of the member's record at start-up.
struct RecordRefresh {
    enum Kind {
        kUnanswered,  // no connection, no short answer, or an answer without the record layout
        kCancelled,   // "K_CANCEL": the contract is gone
        kRecord,      // the current record, without its key
    };
    Kind kind = kUnanswered;
    QString record;
};

// Fetches "/q_vestra/LOG_K/qvuser" + member number + ".txt" (10 s). The
// request carries no Host line: the start-up builds it only afterwards.
RecordRefresh FetchUserRecord(net::Socket& socket, const net::ServiceEndpoint& endpoint,
                              const QString& memberNumber);

}  // namespace qvestra::contract
