#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "contract/record_refresh.h"
#include "core/exchange_queue.h"
#include "net/service_endpoint.h"
#include "net/socket.h"
#include "store/data_folder.h"

class QTimer;

namespace qvestra {

class FrmConnecting;

struct StartUpDeps {
    net::ServiceEndpoint endpoint;
    store::DataFolder dataFolder;
    net::SocketFactory& sockets;
    core::ExchangeQueue& exchanges;
    // The member closed the connecting notice.
    std::function<void()> endProgram;
};

// What the start-up's exchanges found out.
struct StartUpFindings {
    bool online = false;
    contract::RecordRefresh refresh;
};

// The start-up's exchanges: whether the service host answers and, for a
// known member, the record the service has. When they take longer than a
// second, a notice says so and offers to start offline at once.
class StartUp final : public QObject {
    Q_OBJECT

  public:
    static constexpr int kProbeTimeoutSeconds = 120;
    static constexpr int kNoticeDelayMs = 1000;

    explicit StartUp(StartUpDeps deps, QObject* parent = nullptr);
    ~StartUp() override;

    // memberNumber: the known member's, whose record is refreshed. done runs
    // once the exchanges are over, or at once when the member chooses offline.
    void Run(std::optional<QString> memberNumber, std::function<void(const StartUpFindings&)> done);
    FrmConnecting* Notice() const { return notice_.get(); }

  private:
    void ShowNotice();
    void Finish(const StartUpFindings& findings);

    StartUpDeps deps_;
    QTimer* noticeTimer_;
    std::unique_ptr<FrmConnecting> notice_;
    // Cancels the exchanges of the start-up that runs: offline at once.
    core::JobHandle job_;
    std::function<void(const StartUpFindings&)> done_;
};

}  // namespace qvestra
