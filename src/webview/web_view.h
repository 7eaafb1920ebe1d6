#pragma once

#include <QString>
#include <QUrl>
#include <functional>

#include "ui/twips.h"

class QWidget;

namespace qvestra::webview {

// Where an address given to Navigate leads. A local address may mix "\" and
// "/" ("file://" + a Windows folder + "/" + name); it still names the file.
QUrl ViewUrl(const QString& address);

// An embedded view that shows a page: the windows only say where to go and
// where to sit. Position and size are in twips within the parent.
class WebView {
  public:
    virtual ~WebView() = default;

    virtual void Navigate(const QString& address) = 0;
    // Gets the engine going before the first address is known.
    virtual void StartEngine() {}
    virtual void SetFullScreen(bool on) = 0;
    virtual QWidget* Widget() = 0;

    void SetTop(float twips) { layout_.SetTop(Widget(), twips); }
    void SetWidth(float twips) { layout_.SetWidth(Widget(), twips); }
    void SetHeight(float twips) { layout_.SetHeight(Widget(), twips); }

  protected:
    explicit WebView(ui::TwipsLayout& layout) : layout_(layout) {}

  private:
    ui::TwipsLayout& layout_;
};

// Creates a view as a child of parent; the parent owns it.
using WebViewFactory = std::function<WebView*(QWidget* parent, ui::TwipsLayout& layout)>;

}  // namespace qvestra::webview
