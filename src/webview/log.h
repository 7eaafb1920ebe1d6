#pragma once

#include <QLoggingCategory>

namespace qvestra::webview {

// The webview library's messages: "qvestra.webview" in QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcWebview)

}  // namespace qvestra::webview
