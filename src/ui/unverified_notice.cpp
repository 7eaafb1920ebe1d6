#include "ui/unverified_notice.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace qvestra::ui {

namespace {

// The main window, the sign-in window or the help window; not a notice,
// a progress window or a message that comes and goes.
bool IsProgramWindow(const QObject* object) {
    const auto* widget = qobject_cast<const QWidget*>(object);
    return widget != nullptr && widget->isWindow() && widget->windowType() == Qt::Window;
}

QWidget* ShownProgramWindow() {
    QWidget* active = QApplication::activeWindow();
    if (IsProgramWindow(active)) return active;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (IsProgramWindow(window) && window->isVisible()) return window;
    return nullptr;
}

}  // namespace

void UnverifiedNotice::Report() {
    if (reported_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (QWidget* window = ShownProgramWindow()) return messages_.Inform(window, kText);
            qApp->installEventFilter(this);
        },
        Qt::QueuedConnection);
}

bool UnverifiedNotice::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && IsProgramWindow(watched)) {
        qApp->removeEventFilter(this);
        // Once the window is on the screen, so that the message comes over it.
        QTimer::singleShot(
            0, static_cast<QWidget*>(watched),
            [this, window = static_cast<QWidget*>(watched)] { messages_.Inform(window, kText); });
    }
    return false;
}

}  // namespace qvestra::ui
