#include "webview/log.h"

namespace qvestra::webview {

Q_LOGGING_CATEGORY(lcWebview, "qvestra.webview")

}  // namespace qvestra::webview
