// The main window's side of the menu build and of the contract requests:
// what it shows when a request opens its page, ends, or is cancelled.
#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "app/frm_qvestra.h"
#include "contract/contract_request.h"
#include "ui/message_boxes.h"

namespace qvestra {

namespace {
const QString kApplicationNotStored = QStringLiteral(
    "契約申込みの結果を保存できませんでした。ディスクの空き容量を確認してください。");
}  // namespace

void FrmQvestra::BuildMenu() {
    menuBuild_.Request({MenuAddress().toStdString(), member_.memberId,
                        session_.online && !session_.NotContracted()});
}

// A contract page opened while the documents came keeps the window until
// its own request ends.
void FrmQvestra::ShowMenuPanel() {
    if (contract_->PageOnScreen()) return;
    ui_.Frame2->show();
    // The keyboard starts on the first group, but a rebuilt panel does not
    // take it from where the member has it.
    if (focusWidget() == nullptr && ui_.Cmd[0]->isVisibleTo(ui_.Frame2)) ui_.Cmd[0]->setFocus();
}

bool FrmQvestra::PollDone() const { return contract_->PollDone(); }

void FrmQvestra::Menu_F_Moshikomi_Click() {
    contract_->Open(contract::ContractRequest::Command::kApplication, member_.memberId);
}

void FrmQvestra::Menu_E_Base_Click() {
    contract_->Open(contract::ContractRequest::Command::kChangeBase, member_.memberId);
}

void FrmQvestra::Menu_E_Cont_Click() {
    contract_->Open(contract::ContractRequest::Command::kChangeContent, member_.memberId);
}

void FrmQvestra::ConnectContractRequest() {
    using contract::ContractRequest;
    connect(contract_, &ContractRequest::pageOpened, this, &FrmQvestra::ShowContractPage);
    connect(contract_, &ContractRequest::changeEnded, this, &FrmQvestra::ReturnToMenuPage);
    connect(contract_, &ContractRequest::applicationAccepted, this, [this](bool stored) {
        // The service has the contract either way; the next start's record
        // refresh brings it back, so the member is told and the return goes on.
        if (!stored) deps_.messages.Inform(this, kApplicationNotStored);
        ui_.Menu_F_Moshikomi->setEnabled(false);
        ReturnToMenuPage();
        session_.online = true;
        BuildMenu();
    });
    connect(contract_, &ContractRequest::applicationWithdrawn, this, [this] {
        ui_.Menu_F_Moshikomi->setEnabled(true);
        ReturnToMenuPage();
    });
    // The data folder is gone already.
    connect(contract_, &ContractRequest::contractCancelled, this, &QWidget::close);
    connect(contract_, &ContractRequest::applicationDone, this, &QWidget::show);
}

void FrmQvestra::ShowContractPage(const QString& address) {
    ui_.Frame1->setEnabled(true);
    ui_.Frame2->hide();
    ui_.WebBrowser->Navigate(address);
    layout_.SetHeight(ui_.Frame1, layout_.Of(this).height - 2000);
    ui_.WebBrowser->SetHeight(layout_.Of(ui_.Frame1).height);
}

void FrmQvestra::ReturnToMenuPage() {
    contract_->Returned();
    layout_.SetHeight(ui_.Frame1, FrmQvestraControls::kFrame1Height);
    ui_.Frame2->show();
    const ui::TwipRect frame1 = layout_.Of(ui_.Frame1);
    ui_.WebBrowser->SetTop(frame1.top - 150);
    ui_.WebBrowser->SetHeight(frame1.height);
    ui_.WebBrowser->SetWidth(frame1.width);
    // The service's page: only an online session opens contract pages.
    ui_.WebBrowser->Navigate(MenuAddress());
    ui_.WebBrowser->SetFullScreen(true);
    if (session_.contract == Contract::kContracted) BuildMenu();
}

}  // namespace qvestra
