#pragma once

#include <QString>

namespace qvestra::signin {

// The computer's name as the service knows it: the host name up to its
// first ".", at most 15 characters (the length Windows gives its names).
// Empty when the name cannot be read.
QString ComputerName();
QString ComputerNameFrom(const QString& hostName);

}  // namespace qvestra::signin
