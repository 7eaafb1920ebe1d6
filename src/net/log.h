#pragma once

#include <QLoggingCategory>

namespace qvestra::net {

// The net library's messages: "qvestra.net" in QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcNet)

}  // namespace qvestra::net
