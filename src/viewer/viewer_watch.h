#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <optional>

#include "ui/twips.h"
#include "viewer/frm_comment.h"
#include "viewer/window_list.h"

namespace qvestra::viewer {

// Viewer titles: "Acrobat", "Adobe" or "Reader" anywhere (letter case as
// written), or, since viewers here name the document instead, the name of a
// document being opened. A window without a title never counts.
bool MatchesViewerTitle(const QString& title, const QStringList& documentNames);

// Waits for the document viewer's window after a document was handed over,
// with the notice window FrmComment shown meanwhile; brings the viewer's
// window to the front and lets the notice close two seconds later.
class ViewerWatch final : public QObject {
    Q_OBJECT

  public:
    struct Pacing {
        // Between two looks at the window list the window goes on as ever; a
        // pass costs next to nothing and nothing spins.
        std::chrono::milliseconds passInterval{100};
        // A viewer whose window the list never shows ends the wait, and the
        // notice closes. On a Wayland desktop the list cannot see a native
        // viewer's window at all, so this is short.
        std::chrono::milliseconds timeLimit{6000};
    };

    ViewerWatch(WindowList& windows, ui::TwipScale scale, Pacing pacing);
    ~ViewerWatch() override;

    // After a document hand-over: shows the notice and looks for the viewer's
    // window at once and then on a timer, until it is found or the time is up.
    // Returns at once: the window never waits for the viewer.
    void StartViewerWatch(const QString& documentName);
    void WaitViewerWindow();
    bool Waiting() const { return pass_.isActive(); }

    FrmComment* Notice() const { return notice_; }
    void CloseNotice();

  private:
    // The program's own windows lost the activation to another program (the
    // application went inactive): the viewer came to the front by itself,
    // where the window list may not see it. A wait running ends as if the
    // viewer were found.
    void OwnWindowsDeactivated();
    // The topmost viewer window the list shows now, if any.
    std::optional<std::uint64_t> OnePass();
    void PassTick();
    // Found without a window: the viewer is in front already.
    void EndWait(bool found, std::optional<std::uint64_t> window = std::nullopt);

    WindowList& windows_;
    ui::TwipScale scale_;
    Pacing pacing_;
    QStringList documentNames_;
    QTimer pass_;
    QTimer limit_;
    QPointer<FrmComment> notice_;
};

}  // namespace qvestra::viewer
