#pragma once

#include <QWidget>

#include "common/twips.h"

class QLabel;
class QLineEdit;
class QTimer;

namespace qvestra::viewer {

// The small notice in the screen's top-left corner while the document
// viewer starts. Text3 is a hidden box that carries the found title from
// the search to the window's activation; CloseTimer closes the notice two seconds after the
// viewer's window came to the front. Closing deletes it.
class FrmComment final : public QWidget {
    Q_OBJECT

  public:
    explicit FrmComment(TwipScale scale);

    QLabel* Lbl_Cond = nullptr;
    QLineEdit* Text3 = nullptr;
    QTimer* CloseTimer = nullptr;

  private:
    TwipsLayout layout_;
};

}  // namespace qvestra::viewer
