#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/twips.h"
#include "net/plain_get.h"
#include "net/service_endpoint.h"
#include "net/sinks.h"
#include "net/socket.h"
#include "store/data_folder.h"

namespace qvestra::mirror {

class FrmCond;

// The main window's one connection and exchange state, lent to an exchange.
struct Exchange {
    net::Socket& socket;
    const net::ServiceEndpoint& endpoint;
    const std::string& hostHeader;
    net::ExchangeState& state;
};

struct DownloadOutcome {
    bool stored = false;
    std::optional<std::int64_t> announced;  // TOT_Send, when the header gave it
    std::int64_t received = 0;              // LEN_Send
};

// No document of the service comes near this; a reply that does is not one.
inline constexpr std::int64_t kDocumentMaxBytes = 2048 * net::StoreLimits::kMiB;

struct DownloadUi {
    TwipScale scale;
    // A document may be large and the line slow: the download fails once no
    // byte has come for this long.
    int timeoutSeconds = 1200;
    // Called after every chunk once the window repainted; true ends the
    // transfer (the program is closing).
    std::function<bool()> stop;
    // Called when a fresh progress window shows.
    std::function<void(FrmCond&)> shown;
    net::StoreLimits limits{kDocumentMaxBytes};
};

// Fetches "/qv_contents" + documentFile into the data folder. The progress
// window shows when the reply announces a length; the event loop gets a turn
// after every chunk. The document is stored only when the reply is complete.
DownloadOutcome DownloadPackage(Exchange exchange, const store::DataFolder& folder,
                                const QString& documentFile, const QString& title,
                                const DownloadUi& ui);

// Copies the member's page, the help page and the logo into the data
// folder. The page file first receives the page just read (empty when it did
// not arrive whole); each file is replaced only by a complete successful reply.
void MirrorPages(Exchange exchange, const store::DataFolder& folder, const QString& memberId,
                 const QString& menuPageText);

}  // namespace qvestra::mirror
