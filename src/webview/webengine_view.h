#pragma once

#include <QWebEngineView>

#include "webview/web_view.h"

namespace qvestra::webview {

class WebEngineView final : public QWebEngineView, public WebView {
  public:
    WebEngineView(QWidget* parent, TwipsLayout& layout);

    void Navigate(const QString& address) override;
    void StartEngine() override;
    // The view has no chrome of its own to hide; it already fills the
    // rectangle it is given.
    void SetFullScreen(bool) override {}
    QWidget* Widget() override { return this; }

    static WebView* Create(QWidget* parent, TwipsLayout& layout);
};

}  // namespace qvestra::webview
