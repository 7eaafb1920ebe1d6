#pragma once

#include <QStringList>
#include <QWidget>

#include "webview/web_view.h"

namespace qvestra::testing {

// A view that records where it was sent instead of loading anything.
class FakeWebView final : public QWidget, public webview::WebView {
  public:
    FakeWebView(QWidget* parent, TwipsLayout& layout) : QWidget(parent), WebView(layout) {}

    void Navigate(const QString& address) override { navigated.append(address); }
    void SetFullScreen(bool on) override { fullScreen = on; }
    QWidget* Widget() override { return this; }

    QStringList navigated;
    bool fullScreen = false;

    static WebView* Create(QWidget* parent, TwipsLayout& layout) {
        return new FakeWebView(parent, layout);
    }
};

}  // namespace qvestra::testing
