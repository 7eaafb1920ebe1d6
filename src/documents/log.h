#pragma once

#include <QLoggingCategory>

namespace qvestra::documents {

// The documents library's messages: "qvestra.documents" in QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcDocuments)

}  // namespace qvestra::documents
