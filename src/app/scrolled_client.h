#pragma once

#include <QScrollArea>

namespace qvestra {

// The main window's client area, laid out in twips over the screen. Where
// the desktop's text is large (a high logical dpi, a scale of 2) its panels
// may reach past the screen's edge: then the window scrolls, and a control
// that takes the keyboard's focus scrolls into view. Otherwise nothing
// changes.
class ScrolledClient final : public QScrollArea {
    Q_OBJECT

  public:
    explicit ScrolledClient(QWidget* parent);
    QWidget* Client() const { return widget(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Fit();
};

}  // namespace qvestra
