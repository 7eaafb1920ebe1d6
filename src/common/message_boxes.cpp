#include "common/message_boxes.h"

#include <QMessageBox>

namespace qvestra {

void QtMessageBoxes::Inform(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, kTitle, text, QMessageBox::Ok);
}

}  // namespace qvestra
