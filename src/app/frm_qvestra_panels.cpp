// The member's menu page and its content panels: the menu build, the group
// and item buttons, document opening, downloads and mirroring.
#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "app/document_opener.h"
#include "app/frm_qvestra.h"
#include "common/cp932.h"
#include "common/message_boxes.h"
#include "mirror/mirror.h"
#include "viewer/find_acrobat.h"

namespace qvestra {

namespace {
const QString kCloseCaption = QStringLiteral("閉じる");
const QString kNoProgramMessage =
    QStringLiteral("教材「%1」を開くプログラムが見つかりませんでした。");
const QString kNotAPdfMessage = QStringLiteral("教材「%1」は PDF 文書ではないため開けません。");

// A caption from the service as it stands: an "&" in it is a letter, not a
// keyboard shortcut.
QString ButtonText(QString caption) { return caption.replace(u'&', QStringLiteral("&&")); }
}  // namespace

void FrmQvestra::BuildMenu() {
    // A build asked for while another runs (its read, its downloads) runs
    // once that build is done.
    if (exchangeBusy_) {
        menuBuildPending_ = true;
        return;
    }
    menuBuildPending_ = false;
    exchangeBusy_ = true;
    menuPageText_.clear();
    auto page = std::make_shared<net::PageRead>();
    exchanges_.Run(
        [this, page, address = ui_.UrlName->text().toStdString()] {
            *page = deps_.urls.ReadAll(address);
        },
        [this, page] {
            if (!closing_) LoadMenuPage(*page);
        });
}

void FrmQvestra::LoadMenuPage(const net::PageRead& page) {
    // Decoded in one piece so no double-byte character is split.
    menuPageText_ =
        DecodeCp932(QByteArrayView(page.bytes.data(), static_cast<qsizetype>(page.bytes.size())));
    menuPageWhole_ = page.whole;
    content_ = ParseContentList(menuPageText_);
    // A list may name anything; the program's own files are no documents.
    for (ContentEntry& entry : content_.entries) {
        if (entry.documentFile && !store::IsDocumentName(entry.documentFile->mid(1).toStdString(),
                                                         member_.UserFields.value(0).toStdString()))
            entry.documentFile.reset();
    }
    // Item buttons of the earlier list would open entries of this one, or
    // read past its end.
    ui_.Frame3->hide();
    shownItems_.clear();
    AssignGroupButtons();
    FetchMissingDocuments();
    exchanges_.Run([] {}, [this] { FinishMenuBuild(); });
}

void FrmQvestra::FinishMenuBuild() {
    if (closing_) return;
    // With fewer than eight groups only the first column is in use; otherwise
    // both show, also after an earlier, shorter list narrowed the panel.
    layout_.SetWidth(ui_.Frame2,
                     content_.groups.size() < 8 ? savedFrame2Width_ / 2 : savedFrame2Width_);
    // A contract page opened while the documents came keeps the window until
    // its own request ends.
    if (!contractPageOpen_) ui_.Frame2->show();
    if (deps_.program.OnlineMode && !deps_.program.NotContracted) MirrorPages();
    exchangeBusy_ = false;
    if (menuBuildPending_) BuildMenu();
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
        button->setText(ButtonText(content_.groups[g].caption));
        button->show();
        nextButtonTop += 600;
        layout_.SetTop(button, nextButtonTop);
        frame2Height += 600;
    }
    layout_.SetHeight(ui_.Frame2, frame2Height);
}

// The downloads take their turns on the exchange queue, one after another in
// list order; the window goes on meanwhile.
void FrmQvestra::FetchMissingDocuments() {
    // A run that was killed mid-download left its temporary files behind.
    exchanges_.Run([folder = deps_.dataFolder] { folder.RemovePartFiles(); });
    for (const ContentEntry& entry : content_.entries)
        if (entry.documentFile) DownloadPackage(*entry.documentFile, entry.title);
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
        ui_.CmdSub[n]->setText(ButtonText(content_.entries[e].title));
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
    if (entry < 0 || entry >= static_cast<int>(content_.entries.size())) return;
    const auto& document = content_.entries[entry].documentFile;
    if (!document) return;
    const QString name = document->mid(1);
    const auto file = deps_.dataFolder.FileFor(name.toStdString());
    if (!file) return;
    std::error_code ec;
    if (std::filesystem::exists(*file, ec) && !IsPdfDocument(*file)) {
        deps_.messages.Inform(this, kNotAPdfMessage.arg(name));
        return;
    }
    deps_.documents.Open(*file, deps_.dataFolder.Root(), [this, name](bool opened) {
        if (opened) return;
        // No viewer will come: the notice would wait in vain.
        deps_.viewerWatch.CloseNotice();
        deps_.messages.Inform(this, kNoProgramMessage.arg(name));
    });
    deps_.viewerWatch.StartViewerWatch(name);
}

void FrmQvestra::DownloadPackage(const QString& documentFile, const QString& title) {
    auto outcome = std::make_shared<std::optional<mirror::DownloadOutcome>>();
    exchanges_.Run(
        [this, documentFile, title, outcome, hostHeader = hostHeader_] {
            const auto file = deps_.dataFolder.Root() / documentFile.mid(1).toStdString();
            std::error_code ec;
            if (closing_ || std::filesystem::exists(file, ec)) return;
            net::ExchangeState state;
            const auto socket = deps_.sockets.Create();
            *outcome = mirror::FetchDocument(
                {*socket, deps_.endpoint, hostHeader, state}, deps_.dataFolder, documentFile,
                {.stop = [this] { return closing_.load(); }},
                [this, title](std::int64_t received, std::optional<std::int64_t> announced) {
                    exchanges_.Report([this, title, received, announced] {
                        ShowProgress(title, received, announced);
                    });
                });
        },
        [this, outcome] {
            progress_.reset();
            if (!*outcome) return;
            if ((*outcome)->announced) totSend_ = static_cast<double>(*(*outcome)->announced);
            lenSend_ = static_cast<double>((*outcome)->received);
        });
}

void FrmQvestra::ShowProgress(const QString& title, std::int64_t received,
                              std::optional<std::int64_t> announced) {
    if (!progress_)
        progress_ = std::make_unique<mirror::ProgressWindow>(
            layout_.Scale(), title,
            [this](mirror::FrmCond& window) { Q_EMIT progressWindowShown(&window); });
    progress_->Report(received, announced);
}

void FrmQvestra::MirrorPages() {
    // The member does not wait for the copies: they take their own
    // connection and state, after every exchange asked for before them.
    exchanges_.Run([this, memberId = member_.UserFields.value(0),
                    page = menuPageWhole_ ? menuPageText_ : QString(), hostHeader = hostHeader_] {
        net::ExchangeState state;
        const auto socket = deps_.sockets.Create();
        mirror::MirrorPages({*socket, deps_.endpoint, hostHeader, state}, deps_.dataFolder,
                            memberId, page);
    });
}

}  // namespace qvestra
