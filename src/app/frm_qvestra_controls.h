#pragma once

#include <array>

#include "webview/web_view.h"

class QAction;
class QMainWindow;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

namespace qvestra {

// What the member sees of the main window, by the names its procedures use.
struct FrmQvestraControls {
    static constexpr int kGroupButtons = 14;
    static constexpr int kItemButtons = 16;
    // Frame1's height as laid out, to which it returns from a contract page.
    static constexpr float kFrame1Height = 3300;

    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    webview::WebView* WebBrowser = nullptr;
    std::array<QPushButton*, kGroupButtons> Cmd{};
    std::array<QPushButton*, kItemButtons> CmdSub{};
    QLabel* Image1 = nullptr;
    QMenu* Menu_File = nullptr;
    QAction* Menu_F_End = nullptr;
    QAction* Menu_F_Moshikomi = nullptr;
    QMenu* Menu_E_Modify = nullptr;
    QAction* Menu_E_Base = nullptr;
    QAction* Menu_E_Cont = nullptr;
    QMenu* Menu_Help = nullptr;
    QAction* Menu_Version = nullptr;
    QAction* Menu_shosai = nullptr;
    QAction* Menu_Diagnostics = nullptr;
};

// Makes the controls in their places, as they are at load: panels hidden,
// contract commands off, nothing connected yet, no timers.
FrmQvestraControls MakeFrmQvestraControls(QMainWindow& window, QWidget* client,
                                          ui::TwipsLayout& layout,
                                          const webview::WebViewFactory& webViews);

}  // namespace qvestra
