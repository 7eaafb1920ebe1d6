#include "webview/webengine_view.h"

namespace qvestra::webview {

WebEngineView::WebEngineView(QWidget* parent, TwipsLayout& layout)
    : QWebEngineView(parent), WebView(layout) {}

void WebEngineView::Navigate(const QString& address) { load(ViewUrl(address)); }

WebView* WebEngineView::Create(QWidget* parent, TwipsLayout& layout) {
    return new WebEngineView(parent, layout);
}

}  // namespace qvestra::webview
