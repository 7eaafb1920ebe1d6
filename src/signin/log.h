#pragma once

#include <QLoggingCategory>

namespace qvestra::signin {

// The signin library's messages: "qvestra.signin" in QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcSignin)

}  // namespace qvestra::signin
