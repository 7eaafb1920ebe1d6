#pragma once

#include <QLoggingCategory>

namespace qvestra {

// The app library's messages: "qvestra.app" in QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcApp)

}  // namespace qvestra
