#include "common/window_roles.h"

#include <QAccessibleWidget>
#include <QDialog>
#include <QMainWindow>
#include <QWidget>

namespace qvestra {

namespace {

QAccessibleInterface* WindowRole(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    // Qt's own windows know their roles; a plain widget would be a filler.
    if (widget == nullptr || !widget->isWindow() || !className.startsWith(u"qvestra::") ||
        qobject_cast<QDialog*>(widget) != nullptr || qobject_cast<QMainWindow*>(widget) != nullptr)
        return nullptr;
    return new QAccessibleWidget(
        widget, widget->windowType() == Qt::Window ? QAccessible::Window : QAccessible::Dialog);
}

}  // namespace

void InstallWindowRoles() { QAccessible::installFactory(WindowRole); }

}  // namespace qvestra
