#pragma once

#include <QString>
#include <filesystem>
#include <optional>

#include "net/plain_get.h"
#include "net/service_endpoint.h"
#include "net/socket.h"

namespace qvestra::contract {

// Fetches the member's request status file "/q_vestra/LOG_K/keika" + member
// number + ".txt" (10 s) and keeps a short answer in localCopy ("keika.txt").
// Returns its first field (a status word followed by the request's stamp),
// or nothing when the service gave no short answer.
std::optional<QString> FetchRequestStatus(net::Socket& socket, const net::ServiceEndpoint& endpoint,
                                          const std::string& hostHeader,
                                          const QString& memberNumber,
                                          const std::filesystem::path& localCopy,
                                          net::ExchangeState& state);

}  // namespace qvestra::contract
