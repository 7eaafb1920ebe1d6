#include "documents/download.h"

#include <QElapsedTimer>

#include "documents/frm_cond.h"
#include "documents/log.h"
#include "net/protocol.h"
#include "store/sinks.h"

namespace qvestra::documents {

namespace {

constexpr const char* kFailureNames[] = {"stored",          "no connection", "not verified",
                                         "an error status", "disk full",     "too slow",
                                         "broken off"};
constexpr int kTurnIntervalMs = 20;

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
    // A part that turns out not to continue goes, and the document is asked
    // for whole once more.
    for (auto from = store::FindResumePoint(*target);; from.reset()) {
        store::DocumentSink sink(*target, rules.limits, from, progress);
        const auto result =
            net::Get(exchange,
                     net::protocol::Document(exchange.endpoint, documentFile.toStdString(),
                                             from ? store::RangeLines(*from) : ""),
                     rules.timeoutSeconds, sink, net::TimeOut::kBetweenBytes);
        outcome.stored = sink.Stored();
        outcome.received += result.BodyBytes;
        outcome.status = result.StatusCode;
        outcome.failure =
            outcome.stored ? DownloadFailure::kNone : FailureOf(result, sink.DiskFull());
        if (!outcome.stored)
            qCWarning(lcDocuments, "%s not stored (%s)", qUtf8Printable(documentFile),
                      kFailureNames[static_cast<int>(outcome.failure)]);
        if (!sink.StartOver()) return outcome;
    }
}

QString FailureMessage(const QString& title, const DownloadOutcome& outcome) {
    QString why;
    switch (outcome.failure) {
        case DownloadFailure::kNoConnection:
            why = QStringLiteral(
                "QVestra のサーバーにつながらないか、サーバーから応答がありません。"
                "インターネットへの接続を確かめてから、再試行してください。");
            break;
        case DownloadFailure::kUnverified:
            why = QStringLiteral(
                "サーバーの証明書を確認できないため、接続しませんでした。"
                "別のネットワークから再試行するか、ネットワークの管理者にご相談ください。");
            break;
        case DownloadFailure::kServiceError:
            why = QStringLiteral(
                      "サーバーがエラー（%1）を返しました。しばらく待ってから、"
                      "再試行してください。")
                      .arg(outcome.status);
            break;
        case DownloadFailure::kDiskFull:
            why = QStringLiteral(
                "ディスクの空き容量が足りません。不要なファイルを削除してから、"
                "再試行してください。");
            break;
        case DownloadFailure::kTooSlow:
            why = QStringLiteral(
                "通信が遅すぎるか、途中で止まりました。受け取った分は残してあり、"
                "再試行すると続きから受け取ります。");
            break;
        case DownloadFailure::kNone:
        case DownloadFailure::kBrokenOff:
            why = QStringLiteral("通信が途中で切れました。再試行してください。");
            break;
    }
    return QStringLiteral("教材「%1」をダウンロードできませんでした。\n").arg(title) + why;
}

DownloadFailure FailureOf(const net::ExchangeResult& result, bool diskFull) {
    if (result.ConnectResult == net::kUnverified) return DownloadFailure::kUnverified;
    if (result.ConnectResult != net::kOk || result.StatusCode == 0)
        return DownloadFailure::kNoConnection;
    if (result.StatusCode < 200 || result.StatusCode > 299) return DownloadFailure::kServiceError;
    if (diskFull) return DownloadFailure::kDiskFull;
    if (result.SockResult == net::kTooSlow || result.SockResult == net::kTimedOut)
        return DownloadFailure::kTooSlow;
    return DownloadFailure::kBrokenOff;
}

ProgressWindow::ProgressWindow(ui::TwipScale scale, QString title,
                               std::function<void(FrmCond&)> shown)
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

}  // namespace qvestra::documents
