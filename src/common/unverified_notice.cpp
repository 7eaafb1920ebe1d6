#include "common/unverified_notice.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace qvestra {

void UnverifiedNotice::Report() {
    if (reported_.exchange(true)) return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [this] { messages_.Inform(nullptr, kText); },
        Qt::QueuedConnection);
}

}  // namespace qvestra
