#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "net/plain_get.h"
#include "store/data_folder.h"
#include "store/sinks.h"
#include "ui/twips.h"

namespace qvestra::documents {

class FrmCond;
using net::Exchange;

// Why a document was not stored, in the words a member needs.
enum class DownloadFailure {
    kNone,
    kNoConnection,  // the service could not be reached
    kUnverified,    // the service's certificate could not be verified
    kServiceError,  // the service answered with an error status
    kDiskFull,      // no room on the disk, or a write failed
    kTooSlow,       // too slow, or stopped; what came is kept to continue
    kBrokenOff,     // the reply broke off or was not a document
};

struct DownloadOutcome {
    bool stored = false;
    // Body bytes that came, over every request the download made.
    std::int64_t received = 0;
    DownloadFailure failure = DownloadFailure::kNone;
    // The last reply's status, 0 when none came.
    int status = 0;
};

// What the last exchange of a download that was not stored came to.
DownloadFailure FailureOf(const net::ExchangeResult& result, bool diskFull);

// What the member is told of a document (by its title) that could not be
// had: why, in plain words, and what to do next.
QString FailureMessage(const QString& title, const DownloadOutcome& outcome);

// No document of the service comes near this; a reply that does is not one.
inline constexpr std::int64_t kDocumentMaxBytes = 2048 * store::StoreLimits::kMiB;

// Bytes received so far, and the length the reply announced, if it did.
using DownloadReport =
    std::function<void(std::int64_t received, std::optional<std::int64_t> announced)>;

struct FetchRules {
    // A document may be large and the line slow: the download fails once no
    // byte has come for this long.
    int timeoutSeconds = 1200;
    store::StoreLimits limits{kDocumentMaxBytes};
};

// Fetches "/qv_contents" + documentFile into the data folder, continuing
// the part an earlier transfer left where it can (see store::DocumentSink).
// It touches no window, so it runs on whatever thread calls it. report
// follows the first chunk, then comes at most every 20 ms, and for the last
// chunk. The document is stored only when the reply is complete.
DownloadOutcome FetchDocument(Exchange exchange, const store::DataFolder& folder,
                              const QString& documentFile, const FetchRules& rules,
                              const DownloadReport& report);

// The progress window of one download, on the window's thread: it shows once
// the reply announces a length, follows the bytes, and goes with this object.
class ProgressWindow {
  public:
    ProgressWindow(ui::TwipScale scale, QString title, std::function<void(FrmCond&)> shown);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    void Report(std::int64_t received, std::optional<std::int64_t> announced);

  private:
    ui::TwipScale scale_;
    QString title_;
    std::function<void(FrmCond&)> shown_;
    std::unique_ptr<FrmCond> window_;
};

}  // namespace qvestra::documents
