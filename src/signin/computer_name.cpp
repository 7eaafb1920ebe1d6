#include "signin/computer_name.h"

#include <QSysInfo>

namespace qvestra::signin {

QString ComputerNameFrom(const QString& hostName) { return hostName.section(u'.', 0, 0).left(15); }

QString ComputerName() { return ComputerNameFrom(QSysInfo::machineHostName()); }

}  // namespace qvestra::signin
