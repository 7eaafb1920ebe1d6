#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "core/exchange_queue.h"
#include "net/service_endpoint.h"
#include "net/socket.h"
#include "store/data_folder.h"

class QTimer;

namespace qvestra::contract {

struct ContractRequestDeps {
    net::ServiceEndpoint endpoint;
    store::DataFolder dataFolder;
    net::SocketFactory& sockets;
    core::ExchangeQueue& exchanges;
    // The time of day as text, "14-05-07": the stamp of a request.
    std::function<QString()> timeOfDay;
};

// What a request's status file says of the request with the given stamp.
enum class RequestOutcome {
    kPending,    // nothing final for this stamp yet
    kEnded,      // "END": done (an application: accepted)
    kWithdrawn,  // "CANCEL": the member left the page without a request
    kCancelled,  // "K_CANCEL": the service cancelled the contract (applications only)
};
RequestOutcome JudgeStatus(const std::optional<QString>& status, const QString& stamp,
                           bool application);

// A contract request: the service's page for it, and a poll of its status
// file every one (application) or two (change) seconds until a final status
// for the request's stamp. Polls run on the exchange queue; a tick while a
// poll is on its way is skipped, so polls never overlap. A new request
// replaces the old one: a poll of the old one that comes back after is
// judged by the old stamp and then dropped.
class ContractRequest final : public QObject {
    Q_OBJECT

  public:
    enum class Command { kApplication, kChangeBase, kChangeContent };
    // None made yet; its page on screen, waiting for the next tick or with a
    // poll on its way; or back on the menu page.
    enum class State { kNone, kPolling, kPollOnItsWay, kReturned };

    explicit ContractRequest(ContractRequestDeps deps, QObject* parent = nullptr);

    // A request for the member with this ID.
    void Open(Command command, const QString& memberId);
    // The window is back on the menu page: the request is done as far as the
    // member sees it.
    void Returned() { state_ = State::kReturned; }
    // Closing: no tick any more.
    void Stop();

    State Current() const { return state_; }
    bool PageOnScreen() const {
        return state_ == State::kPolling || state_ == State::kPollOnItsWay;
    }
    bool PollDone() const { return state_ == State::kReturned; }
    QTimer* Timer_KHen() const { return timerKHen_; }
    QTimer* Timer_Mousikomi() const { return timerMousikomi_; }

    // One poll each of the status file; its outcome applies when it comes back.
    void PollChangeStatus();
    void PollApplicationStatus();

  Q_SIGNALS:
    // The request's page is to show at this address.
    void pageOpened(const QString& address);
    // A change request or an application reached a final status: the window
    // returns to the menu page.
    void changeEnded();
    // The user file now says "contract applied for" unless stored is false.
    void applicationAccepted(bool stored);
    void applicationWithdrawn();
    // The data folder is gone already; the program ends.
    void contractCancelled();
    // An application's poll is over: the main window shows.
    void applicationDone();

  private:
    struct PollAnswer {
        RequestOutcome outcome = RequestOutcome::kPending;
        bool stored = true;
    };
    void Poll(bool application);
    void Take(bool application, const QString& stamp, const core::JobResult<PollAnswer>& answer);

    ContractRequestDeps deps_;
    State state_ = State::kNone;
    QString memberId_;
    QString stamp_;
    QTimer* timerKHen_;
    QTimer* timerMousikomi_;
};

}  // namespace qvestra::contract
