#include "mirror/mirror.h"

#include <QElapsedTimer>

#include "mirror/frm_cond.h"
#include "net/http_text.h"
#include "store/sinks.h"
#include "store/user_file.h"

namespace qvestra::mirror {

namespace {

constexpr int kPageTimeoutSeconds = 120;
constexpr int kTurnIntervalMs = 20;
constexpr int kLogoTimeoutSeconds = 10;
constexpr store::StoreLimits kPageLimits{16 * store::StoreLimits::kMiB};
constexpr store::StoreLimits kLogoLimits{store::StoreLimits::kMiB};

net::ExchangeResult Get(Exchange& exchange, const std::string& requestLine, int timeoutSeconds,
                        net::BodySink& sink, net::TimeOut rule = net::TimeOut::kWholeExchange,
                        const std::string& moreLines = {}) {
    return net::PlainGet(
        exchange.socket, exchange.endpoint,
        {net::RequestText(requestLine, exchange.hostHeader, moreLines), timeoutSeconds, rule},
        sink);
}

}  // namespace

DownloadOutcome FetchDocument(Exchange exchange, const store::DataFolder& folder,
                              const QString& documentFile, const FetchRules& rules,
                              const DownloadReport& report) {
    DownloadOutcome outcome;
    const auto target = folder.FileFor(documentFile.mid(1).toStdString());
    if (!documentFile.startsWith(u'/') || !target) return outcome;

    QElapsedTimer sinceTurn;
    const auto progress = [&](std::int64_t received, std::optional<std::int64_t> announced) {
        // Reporting every chunk would cost more than the transfer itself
        // on a fast link; fifty reports a second keep the bar smooth.
        const bool last = announced && received >= *announced;
        if (!sinceTurn.isValid() || sinceTurn.elapsed() >= kTurnIntervalMs || last) {
            sinceTurn.start();
            if (report) report(received, announced);
        }
    };
    const auto requestLine =
        net::AbsoluteRequestLine(exchange.endpoint, "/qv_contents" + documentFile.toStdString());
    // A part that turns out not to continue goes, and the document is asked
    // for whole once more.
    for (auto from = store::FindResumePoint(*target);; from.reset()) {
        store::DocumentSink sink(*target, rules.limits, from, progress);
        const auto result = Get(exchange, requestLine, rules.timeoutSeconds, sink,
                                net::TimeOut::kBetweenBytes, from ? store::RangeLines(*from) : "");
        outcome.stored = sink.Stored();
        outcome.received += result.BodyBytes;
        if (!sink.StartOver()) return outcome;
    }
}

ProgressWindow::ProgressWindow(TwipScale scale, QString title, std::function<void(FrmCond&)> shown)
    : scale_(scale), title_(std::move(title)), shown_(std::move(shown)) {}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::Report(std::int64_t received, std::optional<std::int64_t> announced) {
    if (announced && !window_) {
        window_ = std::make_unique<FrmCond>(scale_);
        window_->Announce(title_, *announced);
        window_->show();
        if (shown_) shown_(*window_);
    }
    if (window_) window_->Received(received);
}

void MirrorPages(Exchange exchange, const store::DataFolder& folder, const QString& memberId,
                 const QString& menuPageText) {
    const auto page = folder.FileFor((memberId + QStringLiteral(".html")).toStdString());
    if (page) {
        // An empty text means the page did not arrive whole; the last good
        // copy is worth more than an error page or a part of one.
        if (!menuPageText.isEmpty()) store::WriteLineAtomically(*page, menuPageText);
        store::WholeBodySink sink(*page, kPageLimits);
        Get(exchange,
            net::PathRequestLine(exchange.endpoint,
                                 "/q_Vestra/HTML/" + memberId.toStdString() + ".txt"),
            kPageTimeoutSeconds, sink);
    }

    store::WholeBodySink help(folder.Root() / "Help.html", kPageLimits);
    Get(exchange, net::PathRequestLine(exchange.endpoint, "/q_Vestra/HTML/Help.html"),
        kPageTimeoutSeconds, help);

    folder.CreateImages();
    store::WholeBodySink logo(folder.Root() / "images" / "LOGO_Movei.gif", kLogoLimits);
    Get(exchange, net::PathRequestLine(exchange.endpoint, "/q_Vestra/images/Logo_Movei.gif"),
        kLogoTimeoutSeconds, logo);
}

}  // namespace qvestra::mirror
