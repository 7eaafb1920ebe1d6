#pragma once

#include "net/service_endpoint.h"
#include "net/socket.h"

namespace qvestra::net {

// Whether the service can be reached, within timeoutSeconds. Directly, a
// connection to its host is enough and carries no request; over TLS the
// service must verify too, through a proxy's tunnel when there is one.
// Through a proxy that reads plain requests a connection only shows that
// the proxy is there, so the proxy is asked for the head of the service's
// root: any status the service could have given counts, a refusal the proxy
// wrote itself (407, 5xx) does not.
bool ReachService(Socket& socket, const ServiceEndpoint& endpoint, int timeoutSeconds);

}  // namespace qvestra::net
