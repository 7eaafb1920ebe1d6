#include "app/frm_qvestra.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include "app/document_opener.h"
#include "common/cp932.h"
#include "common/message_boxes.h"
#include "contract/record_refresh.h"
#include "contract/request_status.h"
#include "help/frm_help.h"
#include "mirror/mirror.h"
#include "net/http_text.h"
#include "signin/user_file.h"
#include "viewer/find_acrobat.h"

namespace qvestra {

namespace {

const QString kOfflineStatusOneRefusal = QStringLiteral("インターネットが接続されtません！");
const QString kCloseCaption = QStringLiteral("閉じる");

// Members' machines have the Windows Japanese fonts; elsewhere Noto CJK
// stands in with the same character.
QFont MinchoFont(qreal points, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("Noto Serif CJK JP"),
                      QStringLiteral("Noto Sans CJK JP")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont GothicFont(qreal points) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP")});
    font.setPointSizeF(points);
    return font;
}

QString PanelStyle(const QString& name, const QString& extra) {
    return QStringLiteral(
               "QGroupBox#%1 { border: 1px solid #808080; margin-top: 0.8em; padding-top: 4px; %2 }"
               "QGroupBox#%1::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }")
        .arg(name, extra);
}

}  // namespace

FrmQvestra::FrmQvestra(FrmQvestraDeps deps)
    : deps_(std::move(deps)), layout_(TwipScale::ForLogicalDpi(deps_.screen.logicalDpi)) {
    setWindowTitle(QStringLiteral("Q_Vestraメニュー"));
    setWindowIcon(QIcon(QStringLiteral(":/qvestra/icon.png")));
    BuildControls();
    BuildMenuBar();
    layout_.Place(this, {0, 0, 14295, 9240});
}

FrmQvestra::~FrmQvestra() { delete frmHelp_; }

void FrmQvestra::BuildControls() {
    client_ = new QWidget(this);
    setCentralWidget(client_);

    ui_.Frame1 = new QGroupBox(client_);
    ui_.Frame1->setObjectName(QStringLiteral("Frame1"));
    ui_.Frame1->setFlat(true);
    ui_.Frame1->setEnabled(false);
    layout_.Place(ui_.Frame1, {240, 120, 13455, 3300});

    ui_.WebBrowser = deps_.webViews(ui_.Frame1, layout_);
    layout_.Place(ui_.WebBrowser->Widget(), {0, 120, 9855, 7815});

    ui_.Frame2 = new QGroupBox(QStringLiteral("教材一覧"), client_);
    ui_.Frame2->setObjectName(QStringLiteral("Frame2"));
    ui_.Frame2->setFont(MinchoFont(12, true));
    ui_.Frame2->setStyleSheet(
        PanelStyle(QStringLiteral("Frame2"), QStringLiteral("color: rgb(0, 0, 192);")));
    ui_.Frame2->hide();
    layout_.Place(ui_.Frame2, {240, 3600, 6855, 4695});
    PlaceButtonColumns(ui_.Cmd, ui_.Frame2, QStringLiteral("Cmd"), {7, 3600, 600});
    for (int i = 0; i < kGroupButtons; ++i)
        connect(ui_.Cmd[i], &QPushButton::clicked, this, [this, i] { Cmd_Click(i); });

    ui_.Frame3 = new QGroupBox(QStringLiteral("詳細一覧"), client_);
    ui_.Frame3->setObjectName(QStringLiteral("Frame3"));
    ui_.Frame3->setFont(MinchoFont(12, false));
    ui_.Frame3->setStyleSheet(
        PanelStyle(QStringLiteral("Frame3"),
                   QStringLiteral("color: rgb(0, 0, 255); background-color: rgb(192, 192, 255);")));
    ui_.Frame3->hide();
    layout_.Place(ui_.Frame3, {3720, 3720, 6735, 4455});
    PlaceButtonColumns(ui_.CmdSub, ui_.Frame3, QStringLiteral("CmdSub"), {8, 3480, 480});
    for (int i = 0; i < kItemButtons; ++i)
        connect(ui_.CmdSub[i], &QPushButton::clicked, this, [this, i] { CmdSub_Click(i); });

    ui_.UrlName = new QLineEdit(client_);
    ui_.UrlName->setObjectName(QStringLiteral("UrlName"));
    ui_.UrlName->hide();
    layout_.Place(ui_.UrlName, {600, 240, 4815, 270});

    ui_.Image1 = new QLabel(client_);
    ui_.Image1->setObjectName(QStringLiteral("Image1"));
    ui_.Image1->setPixmap(QPixmap(QStringLiteral(":/qvestra/logo.png")));
    ui_.Image1->setScaledContents(true);
    layout_.Place(ui_.Image1, {11880, 8040, 1335, 570});

    ui_.Timer_KHen = new QTimer(this);
    connect(ui_.Timer_KHen, &QTimer::timeout, this, &FrmQvestra::Timer_KHen_Timer);
    ui_.Timer_Mousikomi = new QTimer(this);
    connect(ui_.Timer_Mousikomi, &QTimer::timeout, this, &FrmQvestra::Timer_Mousikomi_Timer);
}

template <std::size_t N>
void FrmQvestra::PlaceButtonColumns(std::array<QPushButton*, N>& buttons, QWidget* frame,
                                    const QString& name, ButtonColumns columns) {
    for (int i = 0; i < static_cast<int>(N); ++i) {
        auto* button = new QPushButton(frame);
        button->setObjectName(name + QString::number(i));
        button->setFont(GothicFont(11.25));
        button->hide();
        const int row = i % columns.perColumn;
        layout_.Place(button, {i < columns.perColumn ? 240.0f : columns.secondLeft,
                               480.0f + columns.rowStep * static_cast<float>(row), 3000, 375});
        buttons[i] = button;
    }
}

void FrmQvestra::BuildMenuBar() {
    QMenuBar* bar = menuBar();
    ui_.Menu_File = bar->addMenu(QStringLiteral("ﾌｧｲﾙ"));
    ui_.Menu_F_End = ui_.Menu_File->addAction(QStringLiteral("終了"));
    connect(ui_.Menu_F_End, &QAction::triggered, this, &QWidget::close);

    ui_.Menu_F_Moshikomi = bar->addAction(QStringLiteral("契約申込み"));
    ui_.Menu_F_Moshikomi->setEnabled(false);
    connect(ui_.Menu_F_Moshikomi, &QAction::triggered, this, &FrmQvestra::Menu_F_Moshikomi_Click);

    ui_.Menu_E_Modify = bar->addMenu(QStringLiteral("契約変更"));
    ui_.Menu_E_Modify->menuAction()->setEnabled(false);
    ui_.Menu_E_Base = ui_.Menu_E_Modify->addAction(QStringLiteral("基本情報"));
    ui_.Menu_E_Cont = ui_.Menu_E_Modify->addAction(QStringLiteral("コンテンツ"));
    connect(ui_.Menu_E_Base, &QAction::triggered, this, &FrmQvestra::Menu_E_Base_Click);
    connect(ui_.Menu_E_Cont, &QAction::triggered, this, &FrmQvestra::Menu_E_Cont_Click);

    ui_.Menu_Help = bar->addMenu(QStringLiteral("ヘルプ"));
    ui_.Menu_Version = ui_.Menu_Help->addAction(QStringLiteral("ﾊﾞｰｼﾞｮﾝ"));
    ui_.Menu_shosai = ui_.Menu_Help->addAction(QStringLiteral("詳細"));
    connect(ui_.Menu_shosai, &QAction::triggered, this, &FrmQvestra::ShowHelp);
}

void FrmQvestra::LayOutOverScreen() {
    const auto& scale = layout_.Scale();
    layout_.Place(this, {0, 0, scale.ToTwips(deps_.screen.widthPixels),
                         scale.ToTwips(deps_.screen.heightPixels)});
    const TwipRect window = layout_.Of(this);

    const TwipRect frame1 = layout_.Of(ui_.Frame1);
    layout_.SetWidth(ui_.Frame1, window.width - 2 * frame1.left);

    savedFrame1Height_ = layout_.Of(ui_.Frame1).height;
    savedFrame2Width_ = layout_.Of(ui_.Frame2).width;
    savedFrame3Width_ = layout_.Of(ui_.Frame3).width;

    const TwipRect placed = layout_.Of(ui_.Frame1);
    ui_.WebBrowser->SetHeight(placed.height);
    ui_.WebBrowser->SetTop(placed.top - 150);
    ui_.WebBrowser->SetWidth(placed.width);
    ui_.WebBrowser->SetHeight(placed.height);

    const TwipRect image = layout_.Of(ui_.Image1);
    layout_.SetLeft(ui_.Image1, window.width - image.width - 200);
    layout_.SetTop(ui_.Image1, window.height - image.height - 1200);
}

void FrmQvestra::Load() {
    socket_ = deps_.sockets.Create();
    ui_.Timer_KHen->stop();
    ui_.Frame1->setEnabled(true);
    ui_.WebBrowser->SetFullScreen(true);
    LayOutOverScreen();
    member_.UserFilePath = deps_.dataFolder.UserFile();
    ui_.Menu_E_Modify->menuAction()->setEnabled(false);
    ui_.Menu_F_Moshikomi->setEnabled(false);

    // The probe only asks whether the host answers; its connection carries
    // no request, so it is not kept open.
    exchange_.SockResult =
        socket_->Connect(deps_.endpoint.host, deps_.endpoint.port, kProbeTimeoutSeconds);
    socket_->Close();

    if (!ReadMemberValues()) {
        hide();
        Q_EMIT signInRequired();
        return;
    }

    if (exchange_.SockResult == net::kOk) {
        deps_.program.OnlineMode = true;
        if (!SyncUserRecord()) return;
        member_.UserFields = member_.UserRecord.split(u'|');
        member_.MemberIdParts = member_.UserFields.value(0).split(u'-');
    } else {
        deps_.program.OnlineMode = false;
    }

    if (member_.UserFields.value(1) == u"1") {
        deps_.program.NotContracted = true;
        if (!deps_.program.OnlineMode) {
            deps_.messages.Inform(this, kOfflineStatusOneRefusal);
            close();
            return;
        }
    }

    member_.UserRecord = signin::CutRecord(member_.UserRecord);
    ui_.Frame1->setEnabled(false);
    hostHeader_ = net::HostHeader(deps_.endpoint);
    ShowMenuPage();
    show();
    BuildMenu();
}

// A user file without the record layout is treated as no member known, so
// a damaged file leads to the sign-in page instead of a broken start.
bool FrmQvestra::ReadMemberValues() {
    const signin::UserFile userFile(member_.UserFilePath);
    if (!userFile.Exists()) return false;
    const auto record = userFile.ReadFirstField();
    if (!record || !signin::ParseUserRecord(*record)) return false;
    member_.UserRecord = *record;
    member_.UserFields = record->split(u'|');
    member_.MemberIdParts = member_.UserFields.value(0).split(u'-');
    return true;
}

void FrmQvestra::ShowMenuPage() {
    const QString address =
        deps_.program.OnlineMode
            ? QString::fromStdString(
                  deps_.endpoint.HttpAddress("/q_vestra/execute.asp?yuzaaidhi=")) +
                  member_.UserRecord
            : QStringLiteral("file://") + QString::fromStdString(deps_.dataFolder.Root().string()) +
                  u'/' + member_.UserFields.value(0) + QStringLiteral(".html");
    ui_.UrlName->setText(address);
    ui_.WebBrowser->Navigate(address);
    ui_.WebBrowser->SetFullScreen(true);
}

void FrmQvestra::BuildMenu() {
    // A build asked for while a download gives the event loop its turn runs
    // once the running build is done; two would share one exchange state.
    if (exchangeBusy_) {
        menuBuildPending_ = true;
        return;
    }
    do {
        menuBuildPending_ = false;
        exchangeBusy_ = true;
        menuPageText_.clear();
        LoadMenuPage(deps_.urls.ReadAll(ui_.UrlName->text().toStdString()));
        exchangeBusy_ = false;
    } while (menuBuildPending_ && !closing_);
}

void FrmQvestra::LoadMenuPage(const std::string& pageBytes) {
    // Decoded in one piece so no double-byte character is split.
    menuPageText_ =
        DecodeCp932(QByteArrayView(pageBytes.data(), static_cast<qsizetype>(pageBytes.size())));
    pollDone_ = false;
    content_ = ParseContentList(menuPageText_);
    AssignGroupButtons();
    FetchMissingDocuments();
    // With fewer than eight groups only the first column is in use; otherwise
    // both show, also after an earlier, shorter list narrowed the panel.
    layout_.SetWidth(ui_.Frame2,
                     content_.groups.size() < 8 ? savedFrame2Width_ / 2 : savedFrame2Width_);
    ui_.Frame2->show();
    if (deps_.program.OnlineMode && !deps_.program.NotContracted) MirrorPages();
}

void FrmQvestra::AssignGroupButtons() {
    float frame2Height = 600;
    float nextButtonTop = -120;
    for (int g = 0; g < kGroupButtons; ++g) {
        QPushButton* button = ui_.Cmd[g];
        if (g >= static_cast<int>(content_.groups.size())) {
            // A button of an earlier, longer list would open another entry.
            button->hide();
            continue;
        }
        button->setText(content_.groups[g].caption);
        button->show();
        nextButtonTop += 600;
        layout_.SetTop(button, nextButtonTop);
        frame2Height += 600;
    }
    layout_.SetHeight(ui_.Frame2, frame2Height);
}

void FrmQvestra::FetchMissingDocuments() {
    for (const ContentEntry& entry : content_.entries) {
        if (!entry.documentFile) continue;
        documentFile_ = *entry.documentFile;
        const auto file = deps_.dataFolder.Root() / documentFile_.mid(1).toStdString();
        std::error_code ec;
        if (!std::filesystem::exists(file, ec) && !closing_)
            DownloadPackage(documentFile_, entry.title);
    }
}

void FrmQvestra::Cmd_Click(int index) {
    ui_.Frame3->hide();
    if (index < 0 || index >= static_cast<int>(content_.groups.size())) return;
    const ContentGroup& group = content_.groups[index];
    if (content_.entries[group.entry].kind == u"Cont") {
        OpenEntry(group.entry);
        return;
    }
    constexpr float kButtonHeight = 375;
    float height = 400;
    ui_.Frame3->setTitle(ui_.Cmd[index]->text());
    shownItems_ = group.items;
    pollDone_ = false;
    int n = 0;
    for (int e : shownItems_) {
        ui_.CmdSub[n]->setText(content_.entries[e].title);
        ui_.CmdSub[n]->show();
        height += kButtonHeight + 105;
        ++n;
    }
    layout_.SetWidth(ui_.Frame3, n < 8 ? savedFrame3Width_ / 2 : savedFrame3Width_);
    ui_.CmdSub[n]->setText(kCloseCaption);
    ui_.CmdSub[n]->show();
    height += kButtonHeight + 210;
    // Buttons past the close button belong to an earlier, longer group.
    for (int i = n + 1; i < kItemButtons; ++i) ui_.CmdSub[i]->hide();
    layout_.SetHeight(ui_.Frame3, height);
    layout_.SetTop(ui_.Frame3, layout_.Of(ui_.Frame2).top);
    const TwipRect button = layout_.Of(ui_.Cmd[index]);
    layout_.SetLeft(ui_.Frame3, button.width + button.left + 500);
    ui_.Frame3->show();
    ui_.Frame3->raise();
}

void FrmQvestra::CmdSub_Click(int index) {
    if (index < 0 || index >= kItemButtons) return;
    if (ui_.CmdSub[index]->text() == kCloseCaption) {
        ui_.Frame3->hide();
        return;
    }
    if (index < static_cast<int>(shownItems_.size())) OpenEntry(shownItems_[index]);
}

void FrmQvestra::OpenEntry(int entry) {
    const auto& document = content_.entries[entry].documentFile;
    if (!document) return;
    documentFile_ = *document;
    const QString name = documentFile_.mid(1);
    deps_.documents.Open(deps_.dataFolder.Root() / name.toStdString(), deps_.dataFolder.Root());
    deps_.viewerWatch.StartViewerWatch(name);
}

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

void FrmQvestra::Timer_KHen_Timer() {
    // A poll still running (its final status rebuilding the panels), or a
    // download holding the exchange state: this tick is skipped.
    if (polling_ || exchangeBusy_) return;
    polling_ = true;
    PollChangeStatus();
    polling_ = false;
    if (pollDone_) ui_.Timer_KHen->stop();
}

void FrmQvestra::Timer_Mousikomi_Timer() {
    if (polling_ || exchangeBusy_) return;
    polling_ = true;
    PollApplicationStatus();
    polling_ = false;
    if (closing_) return;
    if (pollDone_) {
        show();
        ui_.Timer_Mousikomi->stop();
    }
}

std::optional<QString> FrmQvestra::FetchRequestStatus() {
    const auto number = signin::MemberNumber(member_.UserFields.value(0));
    if (!number) return std::nullopt;  // no status file name can be built
    socket_ = deps_.sockets.Create();
    return contract::FetchRequestStatus(*socket_, deps_.endpoint, hostHeader_, *number,
                                        deps_.dataFolder.Root() / "keika.txt", exchange_);
}

void FrmQvestra::PollChangeStatus() {
    const auto status = FetchRequestStatus();
    if (!status) return;
    std::error_code ec;
    std::filesystem::remove(deps_.dataFolder.Root() / "keika.txt", ec);
    if (*status == QStringLiteral("END") + requestStamp_ ||
        *status == QStringLiteral("CANCEL") + requestStamp_)
        TTL_Disp();
}

void FrmQvestra::PollApplicationStatus() {
    pollDone_ = false;
    const auto status = FetchRequestStatus();
    if (!status) return;
    if (*status == QStringLiteral("K_CANCEL") + requestStamp_) {
        deps_.dataFolder.RemoveAll();
        close();
    } else if (*status == QStringLiteral("END") + requestStamp_) {
        signin::UserFile(member_.UserFilePath)
            .Write(member_.UserFields.value(0) + QStringLiteral("|2"));
        ui_.Menu_F_Moshikomi->setEnabled(false);
        TTL_Disp();
        deps_.program.OnlineMode = true;
        BuildMenu();
        pollDone_ = true;
    } else if (*status == QStringLiteral("CANCEL") + requestStamp_) {
        ui_.Menu_F_Moshikomi->setEnabled(true);
        TTL_Disp();
    }
}

void FrmQvestra::TTL_Disp() {
    layout_.SetHeight(ui_.Frame1, savedFrame1Height_);
    ui_.Frame1->setEnabled(true);
    ui_.Frame2->show();
    const TwipRect frame1 = layout_.Of(ui_.Frame1);
    ui_.WebBrowser->SetTop(frame1.top - 150);
    ui_.WebBrowser->SetHeight(frame1.height);
    ui_.WebBrowser->SetWidth(frame1.width);
    hostHeader_ = net::HostHeader(deps_.endpoint);
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
    pollDone_ = true;
}

void FrmQvestra::closeEvent(QCloseEvent* event) {
    // Only the member's own close (close box, system menu) takes the viewer
    // notice along; the program's closes end everything anyway.
    if (event->spontaneous()) deps_.viewerWatch.CloseNotice();
    closing_ = true;
    ui_.Timer_KHen->stop();
    ui_.Timer_Mousikomi->stop();
    event->accept();
    deps_.endProgram();
}

bool FrmQvestra::SyncUserRecord() {
    socket_ = deps_.sockets.Create();
    const auto number = signin::MemberNumber(member_.UserFields.value(0));
    if (!number) return true;
    const contract::RecordRefresh refresh =
        contract::FetchUserRecord(*socket_, deps_.endpoint, *number, exchange_);
    if (refresh.kind == contract::RecordRefresh::kCancelled) {
        deps_.dataFolder.RemoveAll();
        close();
        return false;
    }
    // Only a record with the user file's layout replaces the one we have.
    if (refresh.kind != contract::RecordRefresh::kRecord) return true;
    if (!signin::UserFile(member_.UserFilePath).Write(refresh.record)) return true;
    member_.UserRecord = refresh.record;
    member_.UserFields = refresh.record.split(u'|');
    member_.MemberIdParts = member_.UserFields.value(0).split(u'-');
    ApplyAccountStatus(member_.UserFields.value(1));
    return true;
}

void FrmQvestra::ApplyAccountStatus(const QString& status) {
    deps_.program.NotContracted = status == u"1" || status == u"2";
    ui_.Menu_F_Moshikomi->setEnabled(status == u"1");
    ui_.Menu_E_Modify->menuAction()->setEnabled(!deps_.program.NotContracted);
}

void FrmQvestra::ShowHelp() {
    if (frmHelp_) {
        frmHelp_->raise();
        frmHelp_->activateWindow();
        return;
    }
    frmHelp_ = new help::FrmHelp(
        {deps_.endpoint, deps_.program, deps_.webViews, layout_.Scale(), deps_.programFolder});
    frmHelp_->Load();
}

void FrmQvestra::DownloadPackage(const QString& documentFile, const QString& title) {
    socket_ = deps_.sockets.Create();
    const mirror::DownloadOutcome outcome = mirror::DownloadPackage(
        {*socket_, deps_.endpoint, hostHeader_, exchange_}, deps_.dataFolder, documentFile, title,
        {layout_.Scale(), 1200, [this] { return closing_; },
         [this](mirror::FrmCond& window) { Q_EMIT progressWindowShown(&window); }});
    if (outcome.announced) totSend_ = static_cast<double>(*outcome.announced);
    lenSend_ = static_cast<double>(outcome.received);
}

void FrmQvestra::MirrorPages() {
    mirror::MirrorPages({*socket_, deps_.endpoint, hostHeader_, exchange_}, deps_.dataFolder,
                        member_.UserFields.value(0), menuPageText_);
}

}  // namespace qvestra
