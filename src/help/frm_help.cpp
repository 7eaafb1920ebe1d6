#include "help/frm_help.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <algorithm>

#include "net/protocol.h"

namespace qvestra::help {

QString HelpFolder(const QString& programFolder) {
    if (QFileInfo::exists(programFolder + QStringLiteral("/Help.html"))) return programFolder;
    return QDir::cleanPath(programFolder + QStringLiteral("/" QVESTRA_DATA_FROM_PROGRAM));
}

FrmHelp::FrmHelp(FrmHelpDeps deps)
    : QWidget(nullptr, Qt::Window), deps_(std::move(deps)), layout_(deps_.scale) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("ヘルプ"));
    setWindowIcon(QIcon(QStringLiteral(":/qvestra/icon.png")));
    resize(deps_.scale.ToPixels(6930), deps_.scale.ToPixels(8505));

    WebBrowser = deps_.webViews(this, layout_);
    layout_.Place(WebBrowser->Widget(), {120, 600, 4455, 3015});
    CloseButton = new QPushButton(QStringLiteral("閉じる"), this);
    layout_.Place(CloseButton, {120, 120, 855, 375});
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
}

void FrmHelp::Load(const QWidget* owner) {
    const QString address =
        deps_.fromService
            ? QString::fromStdString(net::protocol::HelpPage(deps_.endpoint))
            : QStringLiteral("file://") + deps_.helpFolder + QStringLiteral("/Help.html");
    WebBrowser->Navigate(address);
    WebBrowser->SetFullScreen(true);
    show();
    if (owner != nullptr)
        move(owner->frameGeometry().center() - QRect(QPoint(), frameGeometry().size()).center());
    SizeWebView();
}

void FrmHelp::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SizeWebView();
}

// A window manager reports the frame once the window is placed; the outer
// size changes with it.
void FrmHelp::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    SizeWebView();
}

// A window smaller than the margins gives the view no room, never a
// negative size.
void FrmHelp::SizeWebView() {
    const auto& scale = deps_.scale;
    WebBrowser->SetHeight(std::max(0.f, scale.ToTwips(frameGeometry().height()) - 1200));
    WebBrowser->SetWidth(std::max(0.f, scale.ToTwips(frameGeometry().width()) - 300));
}

}  // namespace qvestra::help
