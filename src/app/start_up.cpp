#include "app/start_up.h"

#include <QTimer>

#include "app/frm_connecting.h"
#include "app/log.h"
#include "core/exchange_queue.h"
#include "net/probe.h"
#include "store/user_file.h"

namespace qvestra {

StartUp::StartUp(StartUpDeps deps, QObject* parent)
    : QObject(parent), deps_(std::move(deps)), noticeTimer_(new QTimer(this)) {
    noticeTimer_->setSingleShot(true);
    noticeTimer_->setTimerType(Qt::PreciseTimer);
    noticeTimer_->setInterval(kNoticeDelayMs);
    connect(noticeTimer_, &QTimer::timeout, this, &StartUp::ShowNotice);
}

StartUp::~StartUp() = default;

void StartUp::Run(std::optional<QString> memberNumber,
                  std::function<void(const StartUpFindings&)> done) {
    done_ = std::move(done);
    job_ = deps_.exchanges.Run(
        core::Lane::kShort, this,
        [sockets = &deps_.sockets, exchanges = &deps_.exchanges, endpoint = deps_.endpoint,
         folder = deps_.dataFolder, memberNumber](const core::AbortSwitch& cancel) {
            StartUpFindings findings;
            findings.online =
                net::ReachService(*sockets->Create(cancel), endpoint, kProbeTimeoutSeconds);
            if (!findings.online || !memberNumber) return findings;
            auto& refresh = findings.refresh;
            refresh = contract::FetchUserRecord(*sockets->Create(cancel), endpoint, *memberNumber);
            // What the answer does to the disk is done here too, off the
            // window's thread; a record that cannot be stored changes nothing.
            if (refresh.kind == contract::RecordRefresh::kCancelled) {
                exchanges->Seal(cancel);
                folder.RemoveAll();
                qCWarning(lcApp, "the service cancelled the contract: data folder removed");
            } else if (refresh.kind == contract::RecordRefresh::kRecord &&
                       !store::UserFile(folder.UserFile()).Write(refresh.record)) {
                refresh = {};
            }
            return findings;
        },
        [this](const core::JobResult<StartUpFindings>& result) {
            if (result.end != core::JobEnd::kCancelled) {
                // A start-up that failed on the way starts offline.
                Finish(result.value.value_or(StartUpFindings{}));
            } else if (result.value &&
                       result.value->refresh.kind == contract::RecordRefresh::kCancelled) {
                // Chosen offline just as the service cancelled the contract:
                // the data folder is gone, so the offline start cannot go on.
                deps_.endProgram();
            }
        });
    noticeTimer_->start();
}

void StartUp::ShowNotice() {
    notice_ = std::make_unique<FrmConnecting>();
    connect(notice_.get(), &FrmConnecting::offlineChosen, this, [this] {
        // The exchange that runs ends at once; what it found no longer counts.
        job_.Cancel();
        Finish({});
    });
    connect(notice_.get(), &FrmConnecting::closedByMember, this, [this] {
        job_.Cancel();
        deps_.endProgram();
    });
    notice_->show();
}

void StartUp::Finish(const StartUpFindings& findings) {
    noticeTimer_->stop();
    if (notice_) {
        notice_->close();
        // It may be the one whose button led here.
        notice_.release()->deleteLater();
    }
    std::exchange(done_, {})(findings);
}

}  // namespace qvestra
