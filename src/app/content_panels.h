#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "app/frm_qvestra_controls.h"
#include "content/content_list.h"
#include "store/data_folder.h"
#include "ui/twips.h"

class QWidget;

namespace qvestra {

class DocumentOpener;
namespace ui {
class MessageBoxes;
}
namespace viewer {
class ViewerWatch;
}
namespace documents {
struct DownloadOutcome;
}

struct ContentPanelsDeps {
    store::DataFolder dataFolder;
    DocumentOpener& documents;
    viewer::ViewerWatch& viewerWatch;
    ui::MessageBoxes& messages;
    // Fetches a document that is not there ("/" + its name, its title);
    // what became of it comes back.
    std::function<void(const QString&, const QString&,
                       std::function<void(const documents::DownloadOutcome&)>)>
        fetch;
};

// The panels of teaching materials: the group buttons of Frame2, the item
// buttons of Frame3 and the documents they open. Captions and the entries
// behind them change together, so a button always opens what it says.
class ContentPanels {
  public:
    ContentPanels(ContentPanelsDeps deps, FrmQvestraControls& ui, ui::TwipsLayout& layout,
                  QWidget* window);

    // The panels' full widths, once the window is laid out over the screen.
    void KeepFullWidths();
    // Takes a list just read: the group buttons show its groups, the items
    // of an earlier list go.
    void Show(content::ContentList content);
    const content::ContentList& Content() const { return content_; }
    // Frame2 as wide as its groups need: one column of buttons or two.
    void FitGroupPanel();

    // A group button: opens a Cont group's document, or lists a Main
    // group's items in Frame3 beside the button.
    void Cmd_Click(int index);
    // An item button: opens the item's document; "閉じる" hides Frame3.
    void CmdSub_Click(int index);
    // Escape: the open group's items close, and the keyboard is back on the
    // group's button.
    void CloseItems();

  private:
    void AssignGroupButtons();
    void OpenEntry(int entry);
    // A document not there yet comes first, and opens once stored; if it
    // cannot be had the member learns why and may try again.
    void FetchThenOpen(const QString& documentFile, const QString& title);
    void OpenDocument(const QString& name);

    ContentPanelsDeps deps_;
    FrmQvestraControls& ui_;
    ui::TwipsLayout& layout_;
    QWidget* window_;
    float fullFrame2Width_ = 0;
    float fullFrame3Width_ = 0;
    content::ContentList content_;
    // The entries behind the item buttons of the group shown in Frame3, and
    // that group's button.
    std::vector<int> shownItems_;
    int shownGroup_ = -1;
};

}  // namespace qvestra
