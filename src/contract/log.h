#pragma once

#include <QLoggingCategory>

namespace qvestra::contract {

// The contract library's messages: "qvestra.contract" in QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcContract)

}  // namespace qvestra::contract
