#include "webview/webengine_view.h"

namespace qvestra::webview {

WebEngineView::WebEngineView(QWidget* parent, TwipsLayout& layout)
    : QWebEngineView(parent), WebView(layout) {}

void WebEngineView::Navigate(const QString& address) { load(ViewUrl(address)); }

// An empty page starts the engine's processes, which the first real page
// then finds running.
void WebEngineView::StartEngine() { setUrl(QUrl(QStringLiteral("about:blank"))); }

WebView* WebEngineView::Create(QWidget* parent, TwipsLayout& layout) {
    return new WebEngineView(parent, layout);
}

}  // namespace qvestra::webview
