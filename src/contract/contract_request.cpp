#include "contract/contract_request.h"

#include <QTimer>

#include "contract/log.h"
#include "core/exchange_queue.h"
#include "net/protocol.h"
#include "store/answers.h"
#include "store/user_file.h"

namespace qvestra::contract {

RequestOutcome JudgeStatus(const std::optional<QString>& status, const QString& stamp,
                           bool application) {
    if (!status) return RequestOutcome::kPending;
    if (*status == QStringLiteral("END") + stamp) return RequestOutcome::kEnded;
    if (*status == QStringLiteral("CANCEL") + stamp) return RequestOutcome::kWithdrawn;
    if (application && *status == QStringLiteral("K_CANCEL") + stamp)
        return RequestOutcome::kCancelled;
    return RequestOutcome::kPending;
}

ContractRequest::ContractRequest(ContractRequestDeps deps, QObject* parent)
    : QObject(parent),
      deps_(std::move(deps)),
      timerKHen_(new QTimer(this)),
      timerMousikomi_(new QTimer(this)) {
    connect(timerKHen_, &QTimer::timeout, this, &ContractRequest::PollChangeStatus);
    connect(timerMousikomi_, &QTimer::timeout, this, &ContractRequest::PollApplicationStatus);
}

void ContractRequest::Open(Command command, const QString& memberId) {
    const bool application = command == Command::kApplication;
    QTimer* timer = application ? timerMousikomi_ : timerKHen_;
    // A poll of the old request still on its way holds the new one's first
    // poll until the next tick: polls do not pile up on the queue.
    if (state_ != State::kPollOnItsWay) state_ = State::kPolling;
    memberId_ = memberId;
    stamp_ = deps_.timeOfDay();
    const auto page = application ? net::protocol::ContractPage::kApplication
                      : command == Command::kChangeBase
                          ? net::protocol::ContractPage::kChangeBase
                          : net::protocol::ContractPage::kChangeContent;
    Q_EMIT pageOpened(QString::fromStdString(net::protocol::ContractPageAddress(
        deps_.endpoint, page, memberId.toStdString(), stamp_.toStdString())));
    timer->start(application ? 1000 : 2000);
    Poll(application);
}

void ContractRequest::Stop() {
    timerKHen_->stop();
    timerMousikomi_->stop();
}

void ContractRequest::PollChangeStatus() { Poll(false); }

void ContractRequest::PollApplicationStatus() { Poll(true); }

void ContractRequest::Poll(bool application) {
    if (state_ != State::kPolling) return;
    const auto number = store::MemberNumber(memberId_);
    // No status file name can be built: the service cannot answer.
    if (!number) return;
    state_ = State::kPollOnItsWay;
    // What the status does to the disk is done on the queue too, judged by
    // the stamp of the request this poll is for.
    deps_.exchanges.Run(
        core::Lane::kShort, this,
        [sockets = &deps_.sockets, exchanges = &deps_.exchanges, endpoint = deps_.endpoint,
         folder = deps_.dataFolder, application, number = *number, stamp = stamp_,
         memberId = memberId_](const core::AbortSwitch& cancel) {
            // The member's request status file; a short answer is kept in keika.txt.
            const auto localCopy = folder.Root() / "keika.txt";
            const auto status =
                store::FetchShortAnswer(
                    *sockets->Create(cancel), endpoint,
                    net::protocol::RequestStatus(endpoint, number.toStdString()), localCopy)
                    .field;
            std::error_code ec;
            if (status && !application) std::filesystem::remove(localCopy, ec);
            PollAnswer answer{JudgeStatus(status, stamp, application)};
            if (answer.outcome == RequestOutcome::kCancelled) {
                exchanges->Seal(cancel);
                folder.RemoveAll();
                qCWarning(lcContract, "the service cancelled the contract: data folder removed");
            } else if (application && answer.outcome == RequestOutcome::kEnded) {
                answer.stored =
                    store::UserFile(folder.UserFile()).Write(memberId + QStringLiteral("|2"));
            }
            return answer;
        },
        [this, application, stamp = stamp_](const core::JobResult<PollAnswer>& result) {
            Take(application, stamp, result);
        });
}

void ContractRequest::Take(bool application, const QString& stamp,
                           const core::JobResult<PollAnswer>& result) {
    if (state_ == State::kPollOnItsWay) state_ = State::kPolling;
    // The folder is gone whether or not the member still waits for it.
    if (result.value && result.value->outcome == RequestOutcome::kCancelled) {
        Stop();
        Q_EMIT contractCancelled();
        return;
    }
    // A request made since replaced the one this poll was for.
    if (!result.Done() || stamp != stamp_ || result.value->outcome == RequestOutcome::kPending)
        return;
    if (!application) {
        Q_EMIT changeEnded();
        timerKHen_->stop();
        return;
    }
    if (result.value->outcome == RequestOutcome::kEnded)
        Q_EMIT applicationAccepted(result.value->stored);
    else
        Q_EMIT applicationWithdrawn();
    timerMousikomi_->stop();
    Q_EMIT applicationDone();
}

}  // namespace qvestra::contract
