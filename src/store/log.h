#pragma once

#include <QLoggingCategory>

namespace qvestra::store {

// The store library's messages: "qvestra.store" in QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcStore)

}  // namespace qvestra::store
