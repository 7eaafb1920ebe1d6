#include "app/frm_connecting.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/message_boxes.h"

namespace qvestra {

FrmConnecting::FrmConnecting() {
    setWindowTitle(ui::MessageBoxes::kTitle);
    setWindowFlag(Qt::Dialog);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(
        QStringLiteral("QVestra サービスに接続しています。\nしばらくお待ちください。"), this);
    text->setTextFormat(Qt::PlainText);
    layout->addWidget(text);
    auto* offline = new QPushButton(QStringLiteral("今すぐオフラインで起動する"), this);
    layout->addWidget(offline, 0, Qt::AlignRight);
    connect(offline, &QPushButton::clicked, this, &FrmConnecting::offlineChosen);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void FrmConnecting::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    // The program's own close (the service answered) is no member's choice.
    if (event->spontaneous()) Q_EMIT closedByMember();
}

}  // namespace qvestra
