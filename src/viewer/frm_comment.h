#pragma once

#include <QWidget>

#include "ui/twips.h"

class QLabel;
class QTimer;

namespace qvestra::viewer {

// The small notice in the screen's top-left corner while the document
// viewer starts. CloseTimer closes the notice two seconds after the viewer's
// window came to the front. Closing deletes it.
class FrmComment final : public QWidget {
    Q_OBJECT

  public:
    explicit FrmComment(ui::TwipScale scale);

    QLabel* Lbl_Cond = nullptr;
    QTimer* CloseTimer = nullptr;

  private:
    ui::TwipsLayout layout_;
};

}  // namespace qvestra::viewer
