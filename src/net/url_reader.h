#pragma once

#include <string>

#include "net/abort_switch.h"

namespace qvestra::net {

// Reads a whole resource by its address, "http://" or "file://", always
// afresh. A resource that cannot be opened reads as empty; a failure part
// way keeps what arrived.
class UrlReader {
  public:
    virtual ~UrlReader() = default;
    virtual std::string ReadAll(const std::string& address) = 0;
};

class CurlUrlReader final : public UrlReader {
  public:
    static constexpr long kConnectTimeoutSeconds = 10;
    // A page that trickles in slower than this for this long is given up.
    static constexpr long kLowSpeedBytesPerSecond = 1;
    static constexpr long kLowSpeedSeconds = 30;
    static constexpr long kTotalTimeoutSeconds = 120;
    static constexpr std::size_t kMaxBytes = 16 * 1024 * 1024;
    // A service that moves its menu page is followed, within http.
    static constexpr long kMaxRedirects = 5;

    // abort, when given, ends a read at once once tripped.
    explicit CurlUrlReader(std::string userAgent, const AbortSwitch* abort = nullptr);
    std::string ReadAll(const std::string& address) override;

  private:
    std::string userAgent_;
    const AbortSwitch* abort_;
};

// The address as curl must see it: a "file://" address may mix "\" and "/"
// and carry characters that need escaping.
std::string CurlAddress(const std::string& address);

}  // namespace qvestra::net
