#pragma once

#include <QWidget>

#include "common/twips.h"

class QLabel;
class QLineEdit;
class QTimer;

namespace qvestra::viewer {

// The small notice in the screen's top-left corner while the document
// viewer starts. Text2 and Text3 are hidden boxes that carry the search from
// one step to the next; Timer2 closes the notice two seconds after the
// viewer's window came to the front. Closing deletes it.
class FrmComment final : public QWidget {
    Q_OBJECT

  public:
    explicit FrmComment(TwipScale scale);

    QLabel* Lbl_Cond = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QTimer* Timer2 = nullptr;

  private:
    TwipsLayout layout_;
};

}  // namespace qvestra::viewer
