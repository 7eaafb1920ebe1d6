// Contract requests: the commands that open the service's contract pages,
// the polls of the request's status and the return to the menu page.
#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "app/frm_qvestra.h"
#include "common/message_boxes.h"
#include "contract/request_status.h"
#include "net/http_text.h"
#include "store/user_file.h"

namespace qvestra {

namespace {
const QString kApplicationNotStored = QStringLiteral(
    "契約申込みの結果を保存できませんでした。ディスクの空き容量を確認してください。");
}  // namespace

void FrmQvestra::Menu_F_Moshikomi_Click() {
    OpenContractPage(QStringLiteral("/q_vestra/Mousikomi_inp1.asp?yuzaaidhi="),
                     QStringLiteral("&P=s&K=hm&TSMP="), ui_.Timer_Mousikomi, 1000,
                     &FrmQvestra::Timer_Mousikomi_Timer);
}

void FrmQvestra::Menu_E_Base_Click() {
    pollDone_ = false;
    OpenContractPage(QStringLiteral("/q_vestra/mousikomi_inp1.asp?yuzaaidhi="),
                     QStringLiteral("&P=h&K=hm&TSMP="), ui_.Timer_KHen, 2000,
                     &FrmQvestra::Timer_KHen_Timer);
}

void FrmQvestra::Menu_E_Cont_Click() {
    pollDone_ = false;
    OpenContractPage(QStringLiteral("/q_vestra/KHenko.asp?yuzaaidhi="), QStringLiteral("&TSMP="),
                     ui_.Timer_KHen, 2000, &FrmQvestra::Timer_KHen_Timer);
}

void FrmQvestra::OpenContractPage(const QString& page, const QString& query, QTimer* timer,
                                  int intervalMs, void (FrmQvestra::*tick)()) {
    ++requestSerial_;
    contractPageOpen_ = true;
    ui_.Frame1->setEnabled(true);
    ui_.Frame2->hide();
    requestStamp_ = deps_.timeOfDay();
    const QString address = QString::fromStdString(deps_.endpoint.HttpAddress(page.toStdString())) +
                            member_.UserRecord + query + requestStamp_;
    ui_.UrlName->setText(address);
    ui_.WebBrowser->Navigate(address);
    layout_.SetHeight(ui_.Frame1, layout_.Of(this).height - 2000);
    ui_.WebBrowser->SetHeight(layout_.Of(ui_.Frame1).height);
    timer->start(intervalMs);
    (this->*tick)();
}

// A poll still on its way, or a menu build with its downloads: the tick is
// skipped.
void FrmQvestra::Timer_KHen_Timer() {
    if (polling_ || exchangeBusy_) return;
    PollChangeStatus();
}

void FrmQvestra::Timer_Mousikomi_Timer() {
    if (polling_ || exchangeBusy_) return;
    PollApplicationStatus();
}

void FrmQvestra::FetchRequestStatus(bool removeLocalCopy,
                                    std::function<void(const std::optional<QString>&)> then) {
    const auto number = store::MemberNumber(member_.UserFields.value(0));
    // No status file name can be built: the service cannot answer.
    if (!number) return then(std::nullopt);
    polling_ = true;
    auto status = std::make_shared<std::optional<QString>>();
    exchanges_.Run(
        [this, number = *number, status, removeLocalCopy, hostHeader = hostHeader_] {
            const auto localCopy = deps_.dataFolder.Root() / "keika.txt";
            net::ExchangeState state;
            *status = contract::FetchRequestStatus(*deps_.sockets.Create(), deps_.endpoint,
                                                   hostHeader, number, localCopy, state);
            std::error_code ec;
            if (*status && removeLocalCopy) std::filesystem::remove(localCopy, ec);
        },
        [this, status, then = std::move(then)] {
            then(*status);
            polling_ = false;
        });
}

void FrmQvestra::PollChangeStatus() {
    FetchRequestStatus(true, [this](const std::optional<QString>& status) {
        if (status && (*status == QStringLiteral("END") + requestStamp_ ||
                       *status == QStringLiteral("CANCEL") + requestStamp_))
            TTL_Disp();
        if (pollDone_) ui_.Timer_KHen->stop();
    });
}

void FrmQvestra::PollApplicationStatus() {
    pollDone_ = false;
    FetchRequestStatus(false, [this](const std::optional<QString>& status) {
        if (status) ApplyApplicationStatus(*status);
        if (closing_ || !pollDone_) return;
        show();
        ui_.Timer_Mousikomi->stop();
    });
}

void FrmQvestra::ApplyApplicationStatus(const QString& status) {
    if (status == QStringLiteral("K_CANCEL") + requestStamp_) {
        deps_.dataFolder.RemoveAll();
        close();
    } else if (status == QStringLiteral("END") + requestStamp_) {
        const int request = requestSerial_;
        // The service has the contract either way; the next start's record
        // refresh brings it back, so the member is told and the return goes on.
        if (!store::UserFile(member_.UserFilePath)
                 .Write(member_.UserFields.value(0) + QStringLiteral("|2")))
            deps_.messages.Inform(this, kApplicationNotStored);
        ui_.Menu_F_Moshikomi->setEnabled(false);
        TTL_Disp();
        deps_.program.OnlineMode = true;
        BuildMenu();
        if (request == requestSerial_) pollDone_ = true;
    } else if (status == QStringLiteral("CANCEL") + requestStamp_) {
        ui_.Menu_F_Moshikomi->setEnabled(true);
        TTL_Disp();
    }
}

void FrmQvestra::TTL_Disp() {
    const int request = requestSerial_;
    contractPageOpen_ = false;
    layout_.SetHeight(ui_.Frame1, savedFrame1Height_);
    ui_.Frame2->show();
    const TwipRect frame1 = layout_.Of(ui_.Frame1);
    ui_.WebBrowser->SetTop(frame1.top - 150);
    ui_.WebBrowser->SetHeight(frame1.height);
    ui_.WebBrowser->SetWidth(frame1.width);
    const QString address =
        QString::fromStdString(deps_.endpoint.HttpAddress("/q_vestra/execute.asp?yuzaaidhi=")) +
        member_.UserRecord;
    ui_.UrlName->setText(address);
    ui_.WebBrowser->Navigate(address);
    ui_.WebBrowser->SetFullScreen(true);
    if (ui_.Menu_E_Modify->menuAction()->isEnabled()) {
        deps_.program.OnlineMode = true;
        BuildMenu();
    }
    // A request made while the rebuild was asked for is not done: its own
    // poll must still see its final status.
    if (request == requestSerial_) pollDone_ = true;
}

}  // namespace qvestra
