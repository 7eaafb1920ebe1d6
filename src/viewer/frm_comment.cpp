#include "viewer/frm_comment.h"

#include <QLabel>
#include <QTimer>

namespace qvestra::viewer {

FrmComment::FrmComment(ui::TwipScale scale)
    : QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), layout_(scale) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("A c r o b a t 起 動 中"));

    Lbl_Cond = new QLabel(QStringLiteral("Acrobat Reader 起動中です。"), this);
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP")});
    font.setPointSizeF(11.25);
    Lbl_Cond->setFont(font);
    QPalette palette = Lbl_Cond->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    Lbl_Cond->setPalette(palette);
    layout_.Place(Lbl_Cond, {480, 360, 3495, 255});

    CloseTimer = new QTimer(this);
    CloseTimer->setInterval(2000);
    CloseTimer->setSingleShot(true);
    connect(CloseTimer, &QTimer::timeout, this, &QWidget::close);

    // A sizable tool window.
    resize(scale.ToPixels(4245), scale.ToPixels(645));
}

}  // namespace qvestra::viewer
