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
// request line, CR LF, the host header (may be empty), more header lines
// (each ending in CR LF), CR LF.
std::string RequestText(std::string_view requestLine, std::string_view hostHeader,
                        std::string_view moreLines = {});
// The request as it goes out on the endpoint's route: to a proxy that reads
// it and wants a user and password, with their Basic credentials after the
// request line; otherwise as it stands.
std::string OnRoute(const ServiceEndpoint& endpoint, std::string request);
// The request for a proxy's tunnel to the service's host and port, with the
// proxy's Basic credentials when it wants them: they go to it only there.
std::string TunnelRequest(const ServiceEndpoint& endpoint);

// The reply is the proxy's own, never the service's: it would not carry the
// request (407) or could not reach the service (5xx).
bool IsProxyRefusal(int status, bool viaProxy);

// The status code of "HTTP/1.x NNN ...", or 0 when the line is not a status line.
int StatusCodeOf(std::string_view statusLine);

// The value of a header line whose field name is `name` in any letter case,
// blanks around it trimmed; nothing for any other line.
std::optional<std::string_view> HeaderValue(std::string_view headerLine, std::string_view name);

// "Content-Range: bytes first-last/total" of a 206 reply.
struct ContentRange {
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::int64_t total = 0;
};
// Nothing unless the value is exactly that form with first <= last < total.
std::optional<ContentRange> ParseContentRange(std::string_view value);

// The time an HTTP date in its one preferred form ("Sun, 06 Nov 1994
// 08:49:37 GMT") names, in seconds since 1970; nothing for any other text.
std::optional<std::int64_t> ParseHttpDate(std::string_view text);

// The body length a reply's header gives: its "Content-Length" fields, their
// name in any letter case. A value that is not one whole number fitting 64
// bits, or two fields that disagree, make the length unreadable: nothing
// to check a body against.
class BodyLength {
  public:
    void Take(std::string_view headerLine);
    const std::optional<std::int64_t>& Value() const { return value_; }
    bool Unreadable() const { return unreadable_; }

  private:
    std::optional<std::int64_t> value_;
    bool unreadable_ = false;
};

}  // namespace qvestra::net
