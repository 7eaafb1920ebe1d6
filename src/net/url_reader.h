#pragma once

#include <string>

#include <optional>

#include "core/abort_switch.h"
#include "net/service_endpoint.h"
#include "net/socket.h"

namespace qvestra::net {

// What a read of a resource gave.
struct PageRead {
    // What arrived: empty when the resource could not be opened; a failure
    // part way keeps what came.
    std::string bytes;
    // Everything arrived, and from http(s) with a 2xx status: only such a page
    // is worth keeping.
    bool whole = false;
};

// Reads a whole resource by its address, "http://", "https://" or
// "file://", always afresh.
class UrlReader {
  public:
    virtual ~UrlReader() = default;
    // The read ends at once once cancel is tripped.
    virtual PageRead ReadAll(const std::string& address, const core::AbortSwitch& cancel) = 0;
};

class CurlUrlReader final : public UrlReader {
  public:
    static constexpr long kConnectTimeoutSeconds = 10;
    static constexpr long kTotalTimeoutSeconds = 120;
    static constexpr std::size_t kMaxBytes = 16 * 1024 * 1024;
    // A service that moves its menu page is followed, within its scheme
    // (http to http, https to https).
    static constexpr long kMaxRedirects = 5;

    // unverified is told when a read over TLS met a server that did not verify.
    explicit CurlUrlReader(std::string userAgent, UnverifiedReport unverified = {});
    PageRead ReadAll(const std::string& address, const core::AbortSwitch& cancel) override;
    // The route of every later read: through this proxy, or directly
    // whatever the environment says, so that the page comes the way the
    // program's other exchanges go. Before the first read.
    void UseProxy(std::optional<HttpProxy> proxy) { proxy_ = std::move(proxy); }

  private:
    std::string userAgent_;
    UnverifiedReport unverified_;
    std::optional<HttpProxy> proxy_;
};

// The address as curl must see it: a "file://" address may mix "\" and "/"
// and carry characters that need escaping.
std::string CurlAddress(const std::string& address);

}  // namespace qvestra::net
