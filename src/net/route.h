#pragma once

#include "net/service_endpoint.h"
#include "net/socket.h"

namespace qvestra::net {

// Opens the way for the service's requests on socket, within timeoutSeconds
// as rule says: a connection, to the endpoint's proxy when it has one, and
// for TLS the proxy's tunnel to the service, then TLS with the service
// verified. kOk, or why not; a proxy that will not tunnel is a connection
// that failed. On failure the socket is closed.
int OpenRoute(Socket& socket, const ServiceEndpoint& endpoint, int timeoutSeconds, TimeOut rule);

// Reads a reply's status line and header up to its empty line, at most
// kMaxHeaderLines lines after the status line; every header line goes to
// line. kOk once the empty line came, else why not.
int ReadReplyHeader(Socket& socket, int& status,
                    const std::function<void(const std::string&)>& line);

// A reply header with more lines than this is no header this client asked
// for; together with the socket's line limit it bounds what one header costs.
inline constexpr int kMaxHeaderLines = 100;

}  // namespace qvestra::net
