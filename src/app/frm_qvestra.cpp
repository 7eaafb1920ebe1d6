#include "app/frm_qvestra.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include "app/frm_diagnostics.h"
#include "app/log.h"
#include "app/scrolled_client.h"
#include "app/start_up.h"
#include "contract/contract_request.h"
#include "contract/record_refresh.h"
#include "core/exchange_queue.h"
#include "documents/frm_cond.h"
#include "help/frm_help.h"
#include "net/protocol.h"
#include "net/tls_session.h"
#include "store/user_file.h"
#include "ui/message_boxes.h"
#include "viewer/viewer_watch.h"

namespace qvestra {

namespace {

const QString kOfflineStatusOneRefusal = QStringLiteral("インターネットが接続されていません！");
const QString kVersion = QStringLiteral("QVestra バージョン " QVESTRA_VERSION);
const QString kFolderNotMembers = QStringLiteral(
    "データフォルダ %1 は、リンクか、ほかのユーザーのフォルダです。安全のため、QVestra "
    "はこのフォルダを使いません。\nフォルダを移動するか名前を変えてから、もう一度起動してください"
    "。");

}  // namespace

FrmQvestra::FrmQvestra(FrmQvestraDeps deps)
    : deps_(std::move(deps)),
      layout_(ui::TwipScale::ForLogicalDpi(deps_.screen.logicalDpi)),
      panels_({deps_.dataFolder, deps_.documents, deps_.viewerWatch, deps_.messages,
               [this](const QString& documentFile, const QString& title, auto fetched) {
                   menuBuild_.Fetch(documentFile, title, std::move(fetched));
               }},
              ui_, layout_, this),
      menuBuild_({this, deps_.endpoint, deps_.dataFolder, deps_.sockets, deps_.urls,
                  deps_.exchanges, layout_.Scale(),
                  [this](documents::FrmCond& window) { Q_EMIT progressWindowShown(&window); },
                  [this] { ShowMenuPanel(); }},
                 panels_),
      startUp_(new StartUp(
          {deps_.endpoint, deps_.dataFolder, deps_.sockets, deps_.exchanges, deps_.endProgram},
          this)),
      contract_(new contract::ContractRequest(
          {deps_.endpoint, deps_.dataFolder, deps_.sockets, deps_.exchanges, deps_.timeOfDay},
          this)) {
    setWindowTitle(QStringLiteral("Q_Vestraメニュー"));
    setWindowIcon(QIcon(QStringLiteral(":/qvestra/icon.png")));
    BuildControls();
    ConnectContractRequest();
}

// The queue's owner has stopped it: no exchange runs any more, and no end
// of one may come back to this window once it is gone.
FrmQvestra::~FrmQvestra() {
    deps_.exchanges.Close();
    delete frmHelp_;
}

void FrmQvestra::BuildControls() {
    auto* scrolled = new ScrolledClient(this);
    setCentralWidget(scrolled);
    client_ = scrolled->Client();
    ui_ = MakeFrmQvestraControls(*this, client_, layout_, deps_.webViews);
    for (int i = 0; i < kGroupButtons; ++i)
        connect(ui_.Cmd[i], &QPushButton::clicked, this, [this, i] { Cmd_Click(i); });
    for (int i = 0; i < kItemButtons; ++i)
        connect(ui_.CmdSub[i], &QPushButton::clicked, this, [this, i] { CmdSub_Click(i); });
    connect(ui_.Menu_F_End, &QAction::triggered, this, &QWidget::close);
    // The menu bar from the keyboard, as desktops have it, its captions as
    // they are; Escape closes an open group's items.
    connect(new QShortcut(QKeySequence(Qt::Key_F10), this), &QShortcut::activated, this,
            [this] { menuBar()->setActiveAction(ui_.Menu_File->menuAction()); });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            [this] { panels_.CloseItems(); });
    connect(ui_.Menu_F_Moshikomi, &QAction::triggered, this, &FrmQvestra::Menu_F_Moshikomi_Click);
    connect(ui_.Menu_E_Base, &QAction::triggered, this, &FrmQvestra::Menu_E_Base_Click);
    connect(ui_.Menu_E_Cont, &QAction::triggered, this, &FrmQvestra::Menu_E_Cont_Click);
    connect(ui_.Menu_shosai, &QAction::triggered, this, &FrmQvestra::ShowHelp);
    connect(ui_.Menu_Diagnostics, &QAction::triggered, this, &FrmQvestra::ShowDiagnostics);
    connect(ui_.Menu_Version, &QAction::triggered, this,
            [this] { deps_.messages.Inform(this, kVersion); });
}

void FrmQvestra::LayOutOverScreen() {
    const auto& scale = layout_.Scale();
    layout_.Place(this, {0, 0, scale.ToTwips(deps_.screen.widthPixels),
                         scale.ToTwips(deps_.screen.heightPixels)});
    const ui::TwipRect window = layout_.Of(this);

    const ui::TwipRect frame1 = layout_.Of(ui_.Frame1);
    layout_.SetWidth(ui_.Frame1, window.width - 2 * frame1.left);

    panels_.KeepFullWidths();

    const ui::TwipRect placed = layout_.Of(ui_.Frame1);
    ui_.WebBrowser->SetTop(placed.top - 150);
    ui_.WebBrowser->SetWidth(placed.width);
    ui_.WebBrowser->SetHeight(placed.height);

    const ui::TwipRect image = layout_.Of(ui_.Image1);
    layout_.SetLeft(ui_.Image1, window.width - image.width - 200);
    layout_.SetTop(ui_.Image1, window.height - image.height - 1200);
}

void FrmQvestra::Load() {
    // Nothing is read from it or written to it: it may lead anywhere.
    if (deps_.dataFolder.Owner() == store::DataFolder::Ownership::kNotMembers) {
        qCWarning(lcApp, "data folder %s is a link or another user's: not used",
                  deps_.dataFolder.Root().c_str());
        deps_.messages.Inform(
            this, kFolderNotMembers.arg(QString::fromStdString(deps_.dataFolder.Root().string())),
            deps_.endProgram);
        return;
    }
    ui_.WebBrowser->SetFullScreen(true);
    LayOutOverScreen();
    deps_.dataFolder.Tighten();
    session_ = {};
    ui_.Menu_E_Modify->menuAction()->setEnabled(false);
    ui_.Menu_F_Moshikomi->setEnabled(false);

    const bool memberKnown = ReadMember();
    startUp_->Run(memberKnown ? std::optional(member_.memberNumber) : std::nullopt,
                  [this, memberKnown](const StartUpFindings& findings) {
                      FinishLoad(memberKnown, findings);
                  });
    // The engine does not depend on what the exchanges find out, only the
    // page's address does. Its start holds this thread for a while, so it
    // comes once they are on their way and their round trips overlap it.
    ui_.WebBrowser->StartEngine();
}

void FrmQvestra::FinishLoad(bool memberKnown, const StartUpFindings& findings) {
    qCInfo(lcApp, "start-up: %s",
           !memberKnown      ? "sign-in"
           : findings.online ? "online"
                             : "offline");
    if (!memberKnown) {
        hide();
        Q_EMIT signInRequired();
        return;
    }

    session_.online = findings.online;
    if (findings.online && !ApplyRecordRefresh(findings.refresh)) return;

    if (member_.status == u"1") {
        session_.contract = Contract::kApplicant;
        if (!session_.online) {
            deps_.messages.Inform(this, kOfflineStatusOneRefusal, [this] { close(); });
            return;
        }
    }

    ui_.Frame1->setEnabled(false);
    ShowMenuPage();
    show();
    BuildMenu();
}

// A user file without the record layout is treated as no member known, so
// a damaged file leads to the sign-in page instead of a broken start.
bool FrmQvestra::ReadMember() {
    const auto record = store::UserFile(deps_.dataFolder.UserFile()).KnownRecord();
    const auto parts = record ? store::ParseUserRecord(*record) : std::nullopt;
    if (parts) member_ = *parts;
    return parts.has_value();
}

QString FrmQvestra::MenuAddress() const {
    return session_.online ? QString::fromStdString(net::protocol::MenuPage(
                                 deps_.endpoint, member_.memberId.toStdString()))
                           : QStringLiteral("file://") +
                                 QString::fromStdString(deps_.dataFolder.Root().string()) + u'/' +
                                 member_.memberId + QStringLiteral(".html");
}

void FrmQvestra::ShowMenuPage() {
    ui_.WebBrowser->Navigate(MenuAddress());
    ui_.WebBrowser->SetFullScreen(true);
}

void FrmQvestra::closeEvent(QCloseEvent* event) {
    // Only the member's own close (close box, system menu) takes the viewer
    // notice along; the program's closes end everything anyway.
    if (event->spontaneous()) deps_.viewerWatch.CloseNotice();
    deps_.exchanges.Close();
    contract_->Stop();
    deps_.endProgram();
}

bool FrmQvestra::ApplyRecordRefresh(const contract::RecordRefresh& refresh) {
    // The data folder is gone already.
    if (refresh.kind == contract::RecordRefresh::kCancelled) {
        close();
        return false;
    }
    // Only a record with the user file's layout, stored, replaces the one we have.
    if (refresh.kind != contract::RecordRefresh::kRecord) return true;
    if (const auto parts = store::ParseUserRecord(refresh.record)) member_ = *parts;
    ApplyAccountStatus(member_.status);
    return true;
}

void FrmQvestra::ApplyAccountStatus(const QString& status) {
    session_.contract = status == u"1"   ? Contract::kApplicant
                        : status == u"2" ? Contract::kApplied
                                         : Contract::kContracted;
    ui_.Menu_F_Moshikomi->setEnabled(session_.contract == Contract::kApplicant);
    ui_.Menu_E_Modify->menuAction()->setEnabled(session_.contract == Contract::kContracted);
}

void FrmQvestra::ShowDiagnostics() {
    struct Sizes {
        std::optional<std::int64_t> folder;
        std::optional<std::int64_t> free;
    };
    deps_.exchanges.Run(
        core::Lane::kShort, this,
        [root = deps_.dataFolder.Root()] {
            Sizes sizes;
            std::error_code ec;
            std::int64_t total = 0;
            for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
                 !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
                std::error_code sizeError;
                if (it->is_regular_file(sizeError))
                    total += static_cast<std::int64_t>(it->file_size(sizeError));
            }
            if (!ec) sizes.folder = total;
            const auto space = std::filesystem::space(root, ec);
            if (!ec) sizes.free = static_cast<std::int64_t>(space.available);
            return sizes;
        },
        [this](const core::JobResult<Sizes>& result) {
            if (!result.Done()) return;
            const auto& proxy = deps_.endpoint.proxy;
            auto* window = new FrmDiagnostics(this);
            window->Show(
                {QStringLiteral(QVESTRA_VERSION),
                 QSysInfo::prettyProductName() + u' ' + QSysInfo::kernelVersion(),
                 QString::fromLatin1(qVersion()), QString::fromStdString(net::TlsLibraryVersion()),
                 deps_.engineVersion, QString::fromStdString(deps_.endpoint.PageAddress("/")),
                 proxy ? QStringLiteral("%1:%2")
                             .arg(QString::fromStdString(proxy->host))
                             .arg(proxy->port)
                       : QString(),
                 QString::fromStdString(deps_.dataFolder.Root().string()), result.value->folder,
                 result.value->free, deps_.recentLog ? deps_.recentLog() : QStringList()});
        });
}

void FrmQvestra::ShowHelp() {
    if (frmHelp_) {
        frmHelp_->raise();
        frmHelp_->activateWindow();
        return;
    }
    frmHelp_ = new help::FrmHelp({deps_.endpoint, session_.online || session_.NotContracted(),
                                  deps_.webViews, layout_.Scale(), deps_.helpFolder});
    frmHelp_->Load(this);
}

}  // namespace qvestra
