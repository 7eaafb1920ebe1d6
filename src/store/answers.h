#pragma once

#include <QString>
#include <filesystem>
#include <optional>
#include <string>

#include "net/service_endpoint.h"
#include "net/socket.h"

namespace qvestra::store {

// What the service said to a request for a short answer: whether the
// connection was made, or failed because the service did not verify, and
// the answer's first field when a short answer came (see ShortAnswerSink).
struct ShortAnswer {
    bool connected = false;
    bool unverified = false;
    std::optional<QString> field;
};

// Sends the request (net/protocol.h) and takes its answer within 10 s; a
// short answer is also kept in localCopy when given.
ShortAnswer FetchShortAnswer(net::Socket& socket, const net::ServiceEndpoint& endpoint,
                             std::string request,
                             const std::optional<std::filesystem::path>& localCopy = {});

// A short answer from the service, read as the client reads the user file:
// its first line's first field.
QString AnswerField(const std::string& answer);

// "key=record" with a record in the user file's layout (member ID, "|", one
// digit): the record. The key must equal requiredKey unless that is empty.
// Anything else: nothing.
std::optional<QString> KeyedRecord(const QString& field, const QString& requiredKey);

}  // namespace qvestra::store
