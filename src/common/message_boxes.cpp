#include "common/message_boxes.h"

#include <QMessageBox>

namespace qvestra {

// Texts may carry names from the service: shown as they are, never as markup.
void QtMessageBoxes::Inform(QWidget* parent, const QString& text, std::function<void()> closed) {
    auto* box = new QMessageBox(QMessageBox::Information, kTitle, text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (closed) QObject::connect(box, &QMessageBox::finished, box, [closed] { closed(); });
    // Modal to its window without a loop of its own: the program goes on.
    box->open();
}

}  // namespace qvestra
