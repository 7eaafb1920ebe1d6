#include "webview/webengine_view.h"

namespace qvestra::webview {

WebEngineView::WebEngineView(QWidget* parent, TwipsLayout& layout)
    : QWebEngineView(parent), WebView(layout) {}

void WebEngineView::Navigate(const QString& address) { load(ViewUrl(address)); }

// Making the page starts the engine; nothing is loaded, so the first real
// page neither waits for another nor changes process for its site, and a
// start after the page's address was handed over changes nothing.
void WebEngineView::StartEngine() { page(); }

WebView* WebEngineView::Create(QWidget* parent, TwipsLayout& layout) {
    return new WebEngineView(parent, layout);
}

}  // namespace qvestra::webview
