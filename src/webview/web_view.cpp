#include "webview/web_view.h"

namespace qvestra::webview {

QUrl ViewUrl(const QString& address) {
    static const QString kFileScheme = QStringLiteral("file://");
    if (address.startsWith(kFileScheme, Qt::CaseInsensitive)) {
        QString path = address.mid(kFileScheme.size());
        path.replace(u'\\', u'/');
        return QUrl::fromLocalFile(path);
    }
    return QUrl(address, QUrl::TolerantMode);
}

}  // namespace qvestra::webview
