#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <atomic>
#include <functional>
#include <memory>

#include "common/exchange_queue.h"
#include "common/program_state.h"
#include "common/twips.h"
#include "content/content_list.h"
#include "contract/record_refresh.h"
#include "net/service_endpoint.h"
#include "net/socket.h"
#include "net/url_reader.h"
#include "store/data_folder.h"
#include "webview/web_view.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

namespace qvestra {

class DocumentOpener;
class MessageBoxes;
namespace viewer {
class FindAcrobat;
}
namespace mirror {
class FrmCond;
class ProgressWindow;
}  // namespace mirror
namespace help {
class FrmHelp;
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
    webview::WebViewFactory webViews;
    MessageBoxes& messages;
    net::UrlReader& urls;
    DocumentOpener& documents;
    viewer::FindAcrobat& viewerWatch;
    ProgramState& program;
    ScreenInfo screen;
    // The time of day as text, "14-05-07": the stamp of a contract request.
    std::function<QString()> timeOfDay;
    // The folder of the program's own executable.
    QString programFolder;
    // Ends the program once control is back in the event loop.
    std::function<void()> endProgram;
    // The start-up's and the mirroring's exchanges run on a thread of their
    // own, so they never hold the window; off, they run in place.
    bool backgroundExchanges = false;
};

// The member's values read from the user file.
struct MemberValues {
    std::filesystem::path UserFilePath;
    QString UserRecord;
    QStringList UserFields;
};

// The main window: fills the screen, shows the member's menu page and the
// panels of teaching materials. Its load step is the program's start-up.
class FrmQvestra final : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr int kGroupButtons = 14;
    static constexpr int kItemButtons = 16;
    static constexpr int kProbeTimeoutSeconds = 120;

    struct Controls {
        QGroupBox* Frame1 = nullptr;
        QGroupBox* Frame2 = nullptr;
        QGroupBox* Frame3 = nullptr;
        webview::WebView* WebBrowser = nullptr;
        std::array<QPushButton*, kGroupButtons> Cmd{};
        std::array<QPushButton*, kItemButtons> CmdSub{};
        QLineEdit* UrlName = nullptr;
        QLabel* Image1 = nullptr;
        QTimer* Timer_KHen = nullptr;
        QTimer* Timer_Mousikomi = nullptr;
        QMenu* Menu_File = nullptr;
        QAction* Menu_F_End = nullptr;
        QAction* Menu_F_Moshikomi = nullptr;
        QMenu* Menu_E_Modify = nullptr;
        QAction* Menu_E_Base = nullptr;
        QAction* Menu_E_Cont = nullptr;
        QMenu* Menu_Help = nullptr;
        QAction* Menu_Version = nullptr;
        QAction* Menu_shosai = nullptr;
    };

    explicit FrmQvestra(FrmQvestraDeps deps);
    ~FrmQvestra() override;

    // The start-up. Run once by the program and again by the sign-in
    // window when it hands over.
    void Load();

    const Controls& controls() const { return ui_; }
    // The program's exchange queue, which the sign-in window shares.
    ExchangeQueue& Exchanges() { return exchanges_; }
    const TwipsLayout& layout() const { return layout_; }
    bool PollDone() const { return pollDone_; }
    // Announced length and bytes received of the last document download.
    double TOT_Send() const { return totSend_; }
    double LEN_Send() const { return lenSend_; }
    // A menu build (its page read, its downloads) runs; request polls skip
    // their tick meanwhile.
    bool ExchangeBusy() const { return exchangeBusy_; }

    // Reads the page named in UrlName and fills the panels from its list.
    void BuildMenu();
    // The contract commands: open the service's page for the request and
    // poll for its outcome.
    void Menu_F_Moshikomi_Click();
    void Menu_E_Base_Click();
    void Menu_E_Cont_Click();
    // One poll each of the request's status file, on the exchange queue; its
    // outcome applies when it comes back.
    void PollChangeStatus();
    void PollApplicationStatus();
    // Back from a contract page to the member's menu page.
    void TTL_Disp();
    const QString& RequestStamp() const { return requestStamp_; }

    // A group button: opens a Cont group's document, or lists a Main
    // group's items in Frame3 beside the button.
    void Cmd_Click(int index);
    // An item button: opens the item's document; "閉じる" hides Frame3.
    void CmdSub_Click(int index);

  Q_SIGNALS:
    // No member is known on this computer: the sign-in window takes over
    // while this window stays loaded and hidden.
    void signInRequired();
    // A document download shows a fresh progress window.
    void progressWindowShown(mirror::FrmCond* window);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // A control array of buttons in two columns, each 3000 x 375 twips, the
    // first column at Left 240.
    struct ButtonColumns {
        int perColumn;
        float secondLeft;
        float rowStep;
    };
    template <std::size_t N>
    void PlaceButtonColumns(std::array<QPushButton*, N>& buttons, QWidget* frame,
                            ButtonColumns columns);
    void BuildControls();
    void BuildMenuBar();
    void LayOutOverScreen();
    bool ReadMemberValues();
    // The start-up once the probe and the record refresh are done.
    void FinishLoad(bool memberKnown, int probeResult, const contract::RecordRefresh& refresh);
    void ShowMenuPage();

    void LoadMenuPage(const net::PageRead& page);
    void AssignGroupButtons();
    void FetchMissingDocuments();
    // Once the build's downloads are done: the panel shows, the copies follow.
    void FinishMenuBuild();
    void OpenEntry(int entry);

    // Fetches a document the data folder lacks, on the exchange queue.
    void DownloadPackage(const QString& documentFile, const QString& title);
    void ShowProgress(const QString& title, std::int64_t received,
                      std::optional<std::int64_t> announced);
    void MirrorPages();

    // Takes the member's record the service sent, stored already on the
    // exchange queue; false when the service has cancelled the contract (the
    // data folder is gone) and the program is ending.
    bool ApplyRecordRefresh(const contract::RecordRefresh& refresh);
    void ApplyAccountStatus(const QString& status);

    void OpenContractPage(const QString& page, const QString& query, QTimer* timer, int intervalMs,
                          void (FrmQvestra::*tick)());
    void Timer_KHen_Timer();
    void Timer_Mousikomi_Timer();
    // Fetches the status file on the exchange queue; then gets its first
    // field, or nothing when the service gave no short answer. A change poll
    // removes the local copy once read.
    void FetchRequestStatus(bool removeLocalCopy,
                            std::function<void(const std::optional<QString>&)> then);
    void ApplyApplicationStatus(const QString& status);

    // Shows the help window, not modal; an open one comes to the front.
    void ShowHelp();

    FrmQvestraDeps deps_;
    TwipsLayout layout_;
    Controls ui_;
    QWidget* client_ = nullptr;

    std::string hostHeader_;
    MemberValues member_;
    float savedFrame1Height_ = 0;
    float savedFrame2Width_ = 0;
    float savedFrame3Width_ = 0;

    QString menuPageText_;
    // The page arrived whole with a success status: it may become the offline copy.
    bool menuPageWhole_ = false;
    ContentList content_;
    // The entries behind the item buttons of the group shown in Frame3.
    std::vector<int> shownItems_;
    bool pollDone_ = false;
    double totSend_ = 0;
    double lenSend_ = 0;
    bool exchangeBusy_ = false;
    bool menuBuildPending_ = false;
    // Read by the exchanges' thread too: a download ends once it is set.
    std::atomic<bool> closing_ = false;
    QString requestStamp_;
    QPointer<help::FrmHelp> frmHelp_;
    // The progress window of the download that runs.
    std::unique_ptr<mirror::ProgressWindow> progress_;
    bool polling_ = false;
    // Counts the contract requests, so a request's end can tell whether a
    // newer one was made meanwhile.
    int requestSerial_ = 0;
    bool contractPageOpen_ = false;
    // Last, so it is gone, its thread ended, before anything its exchanges use.
    ExchangeQueue exchanges_;
};

}  // namespace qvestra
