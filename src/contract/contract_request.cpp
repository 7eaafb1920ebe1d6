#include "contract/contract_request.h"

#include <QTimer>

#include "contract/log.h"
#include "core/exchange_queue.h"
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

void ContractRequest::Open(Command command, const RequestMember& member) {
    struct Page {
        const char* path;
        const char* query;
        QTimer* timer;
        int intervalMs;
    };
    const Page page =
        command == Command::kApplication
            ? Page{"/q_vestra/Mousikomi_inp1.asp?yuzaaidhi=", "&P=s&K=hm&TSMP=", timerMousikomi_,
                   1000}
        : command == Command::kChangeBase
            ? Page{"/q_vestra/mousikomi_inp1.asp?yuzaaidhi=", "&P=h&K=hm&TSMP=", timerKHen_, 2000}
            : Page{"/q_vestra/KHenko.asp?yuzaaidhi=", "&TSMP=", timerKHen_, 2000};
    // A poll of the old request still on its way holds the new one's first
    // poll until the next tick: polls do not pile up on the queue.
    if (state_ != State::kPollOnItsWay) state_ = State::kPolling;
    member_ = member;
    stamp_ = deps_.timeOfDay();
    Q_EMIT pageOpened(QString::fromStdString(deps_.endpoint.PageAddress(page.path)) +
                      member.userRecord + QString::fromLatin1(page.query) + stamp_);
    page.timer->start(page.intervalMs);
    Poll(command == Command::kApplication);
}

void ContractRequest::Stop() {
    timerKHen_->stop();
    timerMousikomi_->stop();
}

void ContractRequest::PollChangeStatus() { Poll(false); }

void ContractRequest::PollApplicationStatus() { Poll(true); }

void ContractRequest::Poll(bool application) {
    if (state_ != State::kPolling) return;
    const auto number = store::MemberNumber(member_.memberId);
    // No status file name can be built: the service cannot answer.
    if (!number) return;
    state_ = State::kPollOnItsWay;
    // What the status does to the disk is done on the queue too, judged by
    // the stamp of the request this poll is for.
    deps_.exchanges.Run(
        core::Lane::kShort, this,
        [sockets = &deps_.sockets, exchanges = &deps_.exchanges, endpoint = deps_.endpoint,
         folder = deps_.dataFolder, application, number = *number, stamp = stamp_,
         member = member_](const core::AbortSwitch& cancel) {
            // The member's request status file; a short answer is kept in keika.txt.
            const auto localCopy = folder.Root() / "keika.txt";
            const auto status =
                store::FetchShortAnswer(*sockets->Create(cancel), endpoint,
                                        "/q_vestra/LOG_K/keika" + number.toStdString() + ".txt",
                                        member.hostHeader, localCopy)
                    .field;
            std::error_code ec;
            if (status && !application) std::filesystem::remove(localCopy, ec);
            PollAnswer answer{JudgeStatus(status, stamp, application)};
            if (answer.outcome == RequestOutcome::kCancelled) {
                exchanges->Seal(cancel);
                folder.RemoveAll();
                qCWarning(lcContract, "the service cancelled the contract: data folder removed");
            } else if (application && answer.outcome == RequestOutcome::kEnded) {
                answer.stored = store::UserFile(folder.UserFile())
                                    .Write(member.memberId + QStringLiteral("|2"));
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
