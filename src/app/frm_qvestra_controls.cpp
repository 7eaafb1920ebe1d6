#include "app/frm_qvestra_controls.h"

#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>

namespace qvestra {

namespace {

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

// A control array of buttons in two columns, each 3000 x 375 twips, the
// first column at Left 240.
struct ButtonColumns {
    int perColumn;
    float secondLeft;
    float rowStep;
};

// Every button has a name for screen readers from the start (the panels
// give it its caption's) and answers Return as well as Space.
template <std::size_t N>
void PlaceButtonColumns(std::array<QPushButton*, N>& buttons, QWidget* frame,
                        ui::TwipsLayout& layout, ButtonColumns columns, const QString& name) {
    for (int i = 0; i < static_cast<int>(N); ++i) {
        auto* button = new QPushButton(frame);
        button->setFont(GothicFont(11.25));
        button->setAccessibleName(name.arg(i + 1));
        button->setAutoDefault(true);
        button->hide();
        const int row = i % columns.perColumn;
        layout.Place(button, {i < columns.perColumn ? 240.0f : columns.secondLeft,
                              480.0f + columns.rowStep * static_cast<float>(row), 3000, 375});
        buttons[i] = button;
    }
}

}  // namespace

FrmQvestraControls MakeFrmQvestraControls(QMainWindow& window, QWidget* client,
                                          ui::TwipsLayout& layout,
                                          const webview::WebViewFactory& webViews) {
    FrmQvestraControls ui;

    ui.Frame1 = new QGroupBox(client);
    ui.Frame1->setFlat(true);
    ui.Frame1->setEnabled(false);
    layout.Place(ui.Frame1, {240, 120, 13455, FrmQvestraControls::kFrame1Height});

    ui.WebBrowser = webViews(ui.Frame1, layout);
    layout.Place(ui.WebBrowser->Widget(), {0, 120, 9855, 7815});

    ui.Frame2 = new QGroupBox(QStringLiteral("教材一覧"), client);
    ui.Frame2->setFont(MinchoFont(12, true));
    ui.Frame2->setStyleSheet(PanelStyle(QStringLiteral("color: rgb(0, 0, 192);")));
    ui.Frame2->hide();
    layout.Place(ui.Frame2, {240, 3600, 6855, 4695});
    PlaceButtonColumns(ui.Cmd, ui.Frame2, layout, {7, 3600, 600}, QStringLiteral("グループ %1"));

    ui.Frame3 = new QGroupBox(QStringLiteral("詳細一覧"), client);
    ui.Frame3->setFont(MinchoFont(12, false));
    ui.Frame3->setStyleSheet(
        PanelStyle(QStringLiteral("color: rgb(0, 0, 255); background-color: rgb(192, 192, 255);")));
    ui.Frame3->hide();
    layout.Place(ui.Frame3, {3720, 3720, 6735, 4455});
    PlaceButtonColumns(ui.CmdSub, ui.Frame3, layout, {8, 3480, 480}, QStringLiteral("教材 %1"));

    ui.Image1 = new QLabel(client);
    ui.Image1->setPixmap(QPixmap(QStringLiteral(":/qvestra/logo.png")));
    ui.Image1->setScaledContents(true);
    ui.Image1->setAccessibleName(QStringLiteral("QVestra のロゴ"));
    layout.Place(ui.Image1, {11880, 8040, 1335, 570});

    QMenuBar* bar = window.menuBar();
    ui.Menu_File = bar->addMenu(QStringLiteral("ﾌｧｲﾙ"));
    ui.Menu_F_End = ui.Menu_File->addAction(QStringLiteral("終了"));

    ui.Menu_F_Moshikomi = bar->addAction(QStringLiteral("契約申込み"));
    ui.Menu_F_Moshikomi->setEnabled(false);

    ui.Menu_E_Modify = bar->addMenu(QStringLiteral("契約変更"));
    ui.Menu_E_Modify->menuAction()->setEnabled(false);
    ui.Menu_E_Base = ui.Menu_E_Modify->addAction(QStringLiteral("基本情報"));
    ui.Menu_E_Cont = ui.Menu_E_Modify->addAction(QStringLiteral("コンテンツ"));

    ui.Menu_Help = bar->addMenu(QStringLiteral("ヘルプ"));
    ui.Menu_Version = ui.Menu_Help->addAction(QStringLiteral("ﾊﾞｰｼﾞｮﾝ"));
    ui.Menu_shosai = ui.Menu_Help->addAction(QStringLiteral("詳細"));
    ui.Menu_Diagnostics = ui.Menu_Help->addAction(QStringLiteral("診断情報"));
    return ui;
}

}  // namespace qvestra
