#include "app/scrolled_client.h"

#include <QEvent>

namespace qvestra {

ScrolledClient::ScrolledClient(QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    // Its controls take the keyboard, not the area around them.
    setFocusPolicy(Qt::NoFocus);
    setWidget(new QWidget);
    widget()->installEventFilter(this);
}

// The client grows with what its panels place and shrinks back with them;
// it is never smaller than the view.
void ScrolledClient::Fit() {
    QRect reach(QPoint(), viewport()->size());
    for (const QWidget* child : widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisibleTo(widget())) reach |= child->geometry();
    widget()->resize(reach.united(QRect(QPoint(), viewport()->size())).size());
}

void ScrolledClient::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    Fit();
}

bool ScrolledClient::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ChildAdded:
            if (watched == widget())
                static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            if (watched != widget()) Fit();
            break;
        default:
            break;
    }
    return QScrollArea::eventFilter(watched, event);
}

}  // namespace qvestra
