#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/service_endpoint.h"

namespace qvestra::net {

// "Host: " + authority + CR LF.
std::string HostHeader(const ServiceEndpoint& endpoint);
// "GET http://" + authority + path + " HTTP/1.0"
std::string AbsoluteRequestLine(const ServiceEndpoint& endpoint, std::string_view path);
// "GET " + path + " HTTP/1.0"
std::string OriginRequestLine(std::string_view path);
// The origin form directly, the absolute form through a proxy, which must
// be told the host.
std::string PathRequestLine(const ServiceEndpoint& endpoint, std::string_view path);
// request line, CR LF, the host header (may be empty), CR LF.
std::string RequestText(std::string_view requestLine, std::string_view hostHeader);
// The request as it goes out on the endpoint's route: through a proxy that
// wants a user and password, with their Basic credentials after the request
// line; otherwise as it stands.
std::string OnRoute(const ServiceEndpoint& endpoint, std::string request);

// The reply is the proxy's own, never the service's: it would not carry the
// request (407) or could not reach the service (5xx).
bool IsProxyRefusal(int status, bool viaProxy);

// The status code of "HTTP/1.x NNN ...", or 0 when the line is not a status line.
int StatusCodeOf(std::string_view statusLine);

// A header line that contains "Content-Length:" announces the body length:
// the whole number after the last ": " (or after the colon when no blank
// follows it). Anything that is not a non-negative whole number announces nothing.
std::optional<std::int64_t> AnnouncedLength(std::string_view headerLine);

// A "Content-Length" header field, its name in any letter case: its value
// when that is one whole number that fits 64 bits, else no value.
struct LengthField {
    std::optional<std::int64_t> value;
};
// Nothing when the line is another field.
std::optional<LengthField> ContentLengthField(std::string_view headerLine);

}  // namespace qvestra::net
