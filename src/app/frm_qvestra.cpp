#include "app/frm_qvestra.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include "app/start_up.h"
#include "common/exchange_queue.h"
#include "common/message_boxes.h"
#include "contract/contract_request.h"
#include "contract/record_refresh.h"
#include "help/frm_help.h"
#include "mirror/frm_cond.h"
#include "net/http_text.h"
#include "store/user_file.h"
#include "viewer/find_acrobat.h"

namespace qvestra {

namespace {

const QString kOfflineStatusOneRefusal = QStringLiteral("インターネットが接続されtません！");

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

QString PanelStyle(const QString& extra) {
    return QStringLiteral(
               "QGroupBox { border: 1px solid #808080; margin-top: 0.8em; padding-top: 4px; %1 }"
               "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }")
        .arg(extra);
}

}  // namespace

FrmQvestra::FrmQvestra(FrmQvestraDeps deps)
    : deps_(std::move(deps)),
      layout_(TwipScale::ForLogicalDpi(deps_.screen.logicalDpi)),
      panels_({deps_.dataFolder, deps_.documents, deps_.viewerWatch, deps_.messages}, ui_, layout_,
              this),
      menuBuild_({deps_.endpoint, deps_.dataFolder, deps_.sockets, deps_.urls, deps_.exchanges,
                  deps_.program, layout_.Scale(),
                  [this](mirror::FrmCond& window) { Q_EMIT progressWindowShown(&window); },
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
    BuildMenuBar();
    ConnectContractRequest();
}

// The exchanges use this window's parts: none may run once they are gone.
FrmQvestra::~FrmQvestra() {
    deps_.exchanges.Stop();
    delete frmHelp_;
}

void FrmQvestra::BuildControls() {
    client_ = new QWidget(this);
    setCentralWidget(client_);

    ui_.Frame1 = new QGroupBox(client_);
    ui_.Frame1->setFlat(true);
    ui_.Frame1->setEnabled(false);
    layout_.Place(ui_.Frame1, {240, 120, 13455, 3300});

    ui_.WebBrowser = deps_.webViews(ui_.Frame1, layout_);
    layout_.Place(ui_.WebBrowser->Widget(), {0, 120, 9855, 7815});

    ui_.Frame2 = new QGroupBox(QStringLiteral("教材一覧"), client_);
    ui_.Frame2->setFont(MinchoFont(12, true));
    ui_.Frame2->setStyleSheet(PanelStyle(QStringLiteral("color: rgb(0, 0, 192);")));
    ui_.Frame2->hide();
    layout_.Place(ui_.Frame2, {240, 3600, 6855, 4695});
    PlaceButtonColumns(ui_.Cmd, ui_.Frame2, {7, 3600, 600});
    for (int i = 0; i < kGroupButtons; ++i)
        connect(ui_.Cmd[i], &QPushButton::clicked, this, [this, i] { Cmd_Click(i); });

    ui_.Frame3 = new QGroupBox(QStringLiteral("詳細一覧"), client_);
    ui_.Frame3->setFont(MinchoFont(12, false));
    ui_.Frame3->setStyleSheet(
        PanelStyle(QStringLiteral("color: rgb(0, 0, 255); background-color: rgb(192, 192, 255);")));
    ui_.Frame3->hide();
    layout_.Place(ui_.Frame3, {3720, 3720, 6735, 4455});
    PlaceButtonColumns(ui_.CmdSub, ui_.Frame3, {8, 3480, 480});
    for (int i = 0; i < kItemButtons; ++i)
        connect(ui_.CmdSub[i], &QPushButton::clicked, this, [this, i] { CmdSub_Click(i); });

    ui_.UrlName = new QLineEdit(client_);
    ui_.UrlName->hide();

    ui_.Image1 = new QLabel(client_);
    ui_.Image1->setPixmap(QPixmap(QStringLiteral(":/qvestra/logo.png")));
    ui_.Image1->setScaledContents(true);
    layout_.Place(ui_.Image1, {11880, 8040, 1335, 570});

    ui_.Timer_KHen = contract_->Timer_KHen();
    ui_.Timer_Mousikomi = contract_->Timer_Mousikomi();
}

template <std::size_t N>
void FrmQvestra::PlaceButtonColumns(std::array<QPushButton*, N>& buttons, QWidget* frame,
                                    ButtonColumns columns) {
    for (int i = 0; i < static_cast<int>(N); ++i) {
        auto* button = new QPushButton(frame);
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
    panels_.KeepFullWidths();

    const TwipRect placed = layout_.Of(ui_.Frame1);
    ui_.WebBrowser->SetTop(placed.top - 150);
    ui_.WebBrowser->SetWidth(placed.width);
    ui_.WebBrowser->SetHeight(placed.height);

    const TwipRect image = layout_.Of(ui_.Image1);
    layout_.SetLeft(ui_.Image1, window.width - image.width - 200);
    layout_.SetTop(ui_.Image1, window.height - image.height - 1200);
}

void FrmQvestra::Load() {
    ui_.WebBrowser->SetFullScreen(true);
    LayOutOverScreen();
    deps_.dataFolder.Tighten();
    ui_.Menu_E_Modify->menuAction()->setEnabled(false);
    ui_.Menu_F_Moshikomi->setEnabled(false);

    const bool memberKnown = ReadMemberValues();
    startUp_->Run(memberKnown ? store::MemberNumber(member_.UserFields.value(0)) : std::nullopt,
                  [this, memberKnown](const StartUpFindings& findings) {
                      FinishLoad(memberKnown, findings);
                  });
    // The engine does not depend on what the exchanges find out, only the
    // page's address does. Its start holds this thread for a while, so it
    // comes once they are on their way and their round trips overlap it.
    ui_.WebBrowser->StartEngine();
}

void FrmQvestra::FinishLoad(bool memberKnown, const StartUpFindings& findings) {
    if (!memberKnown) {
        hide();
        Q_EMIT signInRequired();
        return;
    }

    deps_.program.OnlineMode = findings.online;
    if (findings.online && !ApplyRecordRefresh(findings.refresh)) return;

    if (member_.UserFields.value(1) == u"1") {
        deps_.program.NotContracted = true;
        if (!deps_.program.OnlineMode) {
            deps_.messages.Inform(this, kOfflineStatusOneRefusal, [this] { close(); });
            return;
        }
    }

    member_.UserRecord = store::CutRecord(member_.UserRecord);
    ui_.Frame1->setEnabled(false);
    hostHeader_ = net::HostHeader(deps_.endpoint);
    ShowMenuPage();
    show();
    BuildMenu();
}

// A user file without the record layout is treated as no member known, so
// a damaged file leads to the sign-in page instead of a broken start.
bool FrmQvestra::ReadMemberValues() {
    const auto record = store::UserFile(deps_.dataFolder.UserFile()).KnownRecord();
    if (!record) return false;
    member_.UserRecord = *record;
    member_.UserFields = record->split(u'|');
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
    member_.UserRecord = refresh.record;
    member_.UserFields = refresh.record.split(u'|');
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
    frmHelp_->Load(this);
}

}  // namespace qvestra
