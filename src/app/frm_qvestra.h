#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <filesystem>
#include <functional>

#include "app/content_panels.h"
#include "app/frm_qvestra_controls.h"
#include "app/menu_build.h"
#include "contract/contract_request.h"
#include "net/service_endpoint.h"
#include "net/socket.h"
#include "net/url_reader.h"
#include "store/data_folder.h"
#include "store/user_file.h"
#include "ui/twips.h"
#include "webview/web_view.h"

namespace qvestra {

namespace core {
class ExchangeQueue;
}
namespace ui {
class MessageBoxes;
}
class DocumentOpener;
class StartUp;
struct StartUpFindings;
namespace viewer {
class ViewerWatch;
}
namespace documents {
class FrmCond;
}
namespace help {
class FrmHelp;
}
namespace contract {
struct RecordRefresh;
}

// The screen the window fills: its size in pixels and its logical dpi.
struct ScreenInfo {
    int widthPixels = 1024;
    int heightPixels = 768;
    double logicalDpi = 96;
};

struct FrmQvestraDeps {
    net::ServiceEndpoint endpoint;
    store::DataFolder dataFolder;
    net::SocketFactory& sockets;
    // Where every exchange runs, one after another.
    core::ExchangeQueue& exchanges;
    webview::WebViewFactory webViews;
    ui::MessageBoxes& messages;
    net::UrlReader& urls;
    DocumentOpener& documents;
    viewer::ViewerWatch& viewerWatch;
    ScreenInfo screen;
    // The time of day as text, "14-05-07": the stamp of a contract request.
    std::function<QString()> timeOfDay;
    // The folder of the help page shown offline.
    QString helpFolder;
    // Ends the program once control is back in the event loop.
    std::function<void()> endProgram;
    // The web engine's version, and the log's last lines, for 診断情報.
    QString engineVersion;
    std::function<QStringList()> recentLog;
};

// What the member's contract is, as the start-up and the requests know it.
enum class Contract {
    kUnknown,     // offline, the record not refreshed: neither of the others
    kApplicant,   // status "1": not applied for yet
    kApplied,     // status "2" from the service: applied for, no contract yet
    kContracted,  // any other status from the service: contract changes allowed
};

// What the start-up and the contract requests found of the member's session.
struct Session {
    // The start-up reached the service (or a request since did).
    bool online = false;
    Contract contract = Contract::kUnknown;
    // Applied for, or not applied for yet: no documents are copied.
    bool NotContracted() const {
        return contract == Contract::kApplicant || contract == Contract::kApplied;
    }
};

// The main window: fills the screen, shows the member's menu page and the
// panels of teaching materials. Its load step is the program's start-up.
//
// What goes on meanwhile. Each activity keeps its own state, and nothing
// the window does waits for an exchange:
// - start-up (StartUp runs): the window is hidden; after a second a notice
//   offers to start offline at once; closing the notice ends the program.
// - menu build (MenuBuild::State): clicks open what the buttons say (their
//   captions and entries change together when the list arrives); BuildMenu
//   asked for meanwhile runs once after it.
// - download (part of a build): a progress window follows it; the menu bar,
//   the web view and the buttons answer.
// - poll (ContractRequest::State): a tick while a poll is on its way is
//   skipped; a new command replaces the request, whose late poll is dropped.
// - closing: the exchange queue is closed, so no queued exchange starts,
//   every end still to come says cancelled, and the ones that run end by
//   their cancel switches.
class FrmQvestra final : public QMainWindow {
    Q_OBJECT

  public:
    using Controls = FrmQvestraControls;
    static constexpr int kGroupButtons = Controls::kGroupButtons;
    static constexpr int kItemButtons = Controls::kItemButtons;

    explicit FrmQvestra(FrmQvestraDeps deps);
    ~FrmQvestra() override;

    // The start-up. Run once by the program and again by the sign-in
    // window when it hands over.
    void Load();

    const Controls& controls() const { return ui_; }
    const ui::TwipsLayout& layout() const { return layout_; }
    const StartUp& StartUpSequence() const { return *startUp_; }
    const MenuBuild& Build() const { return menuBuild_; }
    const contract::ContractRequest& Request() const { return *contract_; }
    bool PollDone() const;
    const Session& CurrentSession() const { return session_; }

    // Reads the page the web view was sent to and fills the panels from its list.
    void BuildMenu();
    // The contract commands: open the service's page for the request and
    // poll for its outcome.
    void Menu_F_Moshikomi_Click();
    void Menu_E_Base_Click();
    void Menu_E_Cont_Click();
    // Back from a contract page to the member's menu page.
    void ReturnToMenuPage();
    void Cmd_Click(int index) { panels_.Cmd_Click(index); }
    void CmdSub_Click(int index) { panels_.CmdSub_Click(index); }

  Q_SIGNALS:
    // No member is known on this computer: the sign-in window takes over
    // while this window stays loaded and hidden.
    void signInRequired();
    // A document download shows a fresh progress window.
    void progressWindowShown(documents::FrmCond* window);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildControls();
    void ConnectContractRequest();
    void LayOutOverScreen();
    bool ReadMember();
    // The start-up once its exchanges are done.
    void FinishLoad(bool memberKnown, const StartUpFindings& findings);
    // The member's menu page: the service's, or offline its mirrored copy.
    QString MenuAddress() const;
    void ShowMenuPage();
    void ShowMenuPanel();
    void ShowContractPage(const QString& address);

    // Takes the member's record the service sent, stored already by the
    // start-up; false when the service has cancelled the contract (the data
    // folder is gone) and the program is ending.
    bool ApplyRecordRefresh(const contract::RecordRefresh& refresh);
    void ApplyAccountStatus(const QString& status);

    // Shows the help window, not modal; an open one comes to the front.
    void ShowHelp();
    // 診断情報, once the data folder's size is known (read off this thread).
    void ShowDiagnostics();

    FrmQvestraDeps deps_;
    ui::TwipsLayout layout_;
    Controls ui_;
    QWidget* client_ = nullptr;
    // The member's record from the user file, or as the service refreshed it.
    store::UserRecordParts member_;
    Session session_;
    ContentPanels panels_;
    MenuBuild menuBuild_;
    StartUp* startUp_;
    contract::ContractRequest* contract_;
    QPointer<help::FrmHelp> frmHelp_;
};

}  // namespace qvestra
