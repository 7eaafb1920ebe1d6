#include "ui/window_roles.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace qvestra::ui {

namespace {

// By class name alone: the factory is asked about every object, some of
// them on their way out, which must not be touched.
QAccessibleInterface* WindowRole(const QString& className, QObject* object) {
    static const QStringList kWindows = {QStringLiteral("qvestra::signin::FrmLogin"),
                                         QStringLiteral("qvestra::help::FrmHelp")};
    static const QStringList kDialogs = {QStringLiteral("qvestra::documents::FrmCond"),
                                         QStringLiteral("qvestra::FrmConnecting"),
                                         QStringLiteral("qvestra::viewer::FrmComment")};
    const bool window = kWindows.contains(className);
    if (!window && !kDialogs.contains(className)) return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object),
                                 window ? QAccessible::Window : QAccessible::Dialog);
}

}  // namespace

void InstallWindowRoles() { QAccessible::installFactory(WindowRole); }

}  // namespace qvestra::ui
