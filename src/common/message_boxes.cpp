#include "common/message_boxes.h"

#include <QMessageBox>

namespace qvestra {

// Texts may carry names from the service: shown as they are, never as markup.
void QtMessageBoxes::Inform(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Information, kTitle, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace qvestra
