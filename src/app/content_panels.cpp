#include "app/content_panels.h"

#include <QGroupBox>
#include <QPushButton>

#include "app/document_opener.h"
#include "documents/download.h"
#include "ui/message_boxes.h"
#include "viewer/viewer_watch.h"

namespace qvestra {

namespace {
const QString kCloseCaption = QStringLiteral("閉じる");
const QString kNoProgramMessage =
    QStringLiteral("教材「%1」を開くプログラムが見つかりませんでした。");
const QString kNotAPdfMessage = QStringLiteral("教材「%1」は PDF 文書ではないため開けません。");
const QString kTryAgain = QStringLiteral("再試行");

// A caption from the service as it stands: an "&" in it is a letter, not a
// keyboard shortcut. A screen reader reads the same caption.
void SetCaption(QPushButton* button, QString caption) {
    button->setAccessibleName(caption);
    button->setText(caption.replace(u'&', QStringLiteral("&&")));
}
}  // namespace

ContentPanels::ContentPanels(ContentPanelsDeps deps, FrmQvestraControls& ui,
                             ui::TwipsLayout& layout, QWidget* window)
    : deps_(std::move(deps)), ui_(ui), layout_(layout), window_(window) {}

void ContentPanels::KeepFullWidths() {
    fullFrame2Width_ = layout_.Of(ui_.Frame2).width;
    fullFrame3Width_ = layout_.Of(ui_.Frame3).width;
}

void ContentPanels::Show(content::ContentList content) {
    content_ = std::move(content);
    // Item buttons of the earlier list would open entries of this one, or
    // read past its end.
    ui_.Frame3->hide();
    shownItems_.clear();
    AssignGroupButtons();
}

void ContentPanels::FitGroupPanel() {
    // With fewer than eight groups only the first column is in use; otherwise
    // both show, also after an earlier, shorter list narrowed the panel.
    layout_.SetWidth(ui_.Frame2,
                     content_.groups.size() < 8 ? fullFrame2Width_ / 2 : fullFrame2Width_);
}

void ContentPanels::AssignGroupButtons() {
    float frame2Height = 600;
    float nextButtonTop = -120;
    for (int g = 0; g < FrmQvestraControls::kGroupButtons; ++g) {
        QPushButton* button = ui_.Cmd[g];
        if (g >= static_cast<int>(content_.groups.size())) {
            // A button of an earlier, longer list would open another entry.
            button->hide();
            continue;
        }
        SetCaption(button, content_.groups[g].caption);
        button->show();
        nextButtonTop += 600;
        layout_.SetTop(button, nextButtonTop);
        frame2Height += 600;
    }
    layout_.SetHeight(ui_.Frame2, frame2Height);
}

void ContentPanels::Cmd_Click(int index) {
    ui_.Frame3->hide();
    if (index < 0 || index >= static_cast<int>(content_.groups.size())) return;
    const content::ContentGroup& group = content_.groups[index];
    if (content_.entries[group.entry].kind == u"Cont") {
        OpenEntry(group.entry);
        return;
    }
    constexpr float kButtonHeight = 375;
    float height = 400;
    ui_.Frame3->setTitle(ui_.Cmd[index]->text());
    shownItems_ = group.items;
    shownGroup_ = index;
    int n = 0;
    for (int e : shownItems_) {
        SetCaption(ui_.CmdSub[n], content_.entries[e].title);
        ui_.CmdSub[n]->show();
        height += kButtonHeight + 105;
        ++n;
    }
    layout_.SetWidth(ui_.Frame3, n < 8 ? fullFrame3Width_ / 2 : fullFrame3Width_);
    SetCaption(ui_.CmdSub[n], kCloseCaption);
    ui_.CmdSub[n]->show();
    height += kButtonHeight + 210;
    // Buttons past the close button belong to an earlier, longer group.
    for (int i = n + 1; i < FrmQvestraControls::kItemButtons; ++i) ui_.CmdSub[i]->hide();
    layout_.SetHeight(ui_.Frame3, height);
    layout_.SetTop(ui_.Frame3, layout_.Of(ui_.Frame2).top);
    const ui::TwipRect button = layout_.Of(ui_.Cmd[index]);
    layout_.SetLeft(ui_.Frame3, button.width + button.left + 500);
    ui_.Frame3->show();
    ui_.Frame3->raise();
    // The keyboard goes on to the group's items.
    ui_.CmdSub[0]->setFocus();
}

void ContentPanels::CmdSub_Click(int index) {
    if (index < 0 || index >= FrmQvestraControls::kItemButtons) return;
    if (ui_.CmdSub[index]->text() == kCloseCaption) {
        ui_.Frame3->hide();
        return;
    }
    if (index < static_cast<int>(shownItems_.size())) OpenEntry(shownItems_[index]);
}

void ContentPanels::CloseItems() {
    if (!ui_.Frame3->isVisibleTo(window_)) return;
    ui_.Frame3->hide();
    if (shownGroup_ >= 0) ui_.Cmd[shownGroup_]->setFocus();
}

void ContentPanels::OpenEntry(int entry) {
    if (entry < 0 || entry >= static_cast<int>(content_.entries.size())) return;
    const auto& document = content_.entries[entry].documentFile;
    if (!document) return;
    const QString name = document->mid(1);
    const auto file = deps_.dataFolder.FileFor(name.toStdString());
    if (!file) return;
    // A document whose download failed or still runs is not there: it
    // takes its name only once whole.
    std::error_code ec;
    if (!std::filesystem::exists(*file, ec)) {
        FetchThenOpen(*document, content_.entries[entry].title);
        return;
    }
    OpenDocument(name);
}

void ContentPanels::FetchThenOpen(const QString& documentFile, const QString& title) {
    deps_.fetch(documentFile, title,
                [this, documentFile, title](const documents::DownloadOutcome& outcome) {
                    if (outcome.stored) return OpenDocument(documentFile.mid(1));
                    deps_.messages.Offer(window_, documents::FailureMessage(title, outcome),
                                         kTryAgain, [this, documentFile, title](bool again) {
                                             if (again) FetchThenOpen(documentFile, title);
                                         });
                });
}

// By its name alone: the list may have been rebuilt since the member asked.
void ContentPanels::OpenDocument(const QString& name) {
    const auto file = deps_.dataFolder.FileFor(name.toStdString());
    if (!file) return;
    if (!IsPdfDocument(*file)) {
        deps_.messages.Inform(window_, kNotAPdfMessage.arg(name));
        return;
    }
    deps_.documents.Open(*file, deps_.dataFolder.Root(), [this, name](bool opened) {
        if (opened) return;
        // No viewer will come: the notice would wait in vain.
        deps_.viewerWatch.CloseNotice();
        deps_.messages.Inform(window_, kNoProgramMessage.arg(name));
    });
    deps_.viewerWatch.StartViewerWatch(name);
}

}  // namespace qvestra
