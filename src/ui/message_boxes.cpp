#include "ui/message_boxes.h"

#include <QMessageBox>
#include <QPushButton>

namespace qvestra::ui {

// Texts may carry names from the service: shown as they are, never as markup.
void QtMessageBoxes::Inform(QWidget* parent, const QString& text, std::function<void()> closed) {
    auto* box = new QMessageBox(QMessageBox::Information, kTitle, text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (closed) QObject::connect(box, &QMessageBox::finished, box, [closed] { closed(); });
    // Modal to its window without a loop of its own: the program goes on.
    box->open();
}

void QtMessageBoxes::Offer(QWidget* parent, const QString& text, const QString& step,
                           std::function<void(bool taken)> answered) {
    auto* box = new QMessageBox(QMessageBox::Warning, kTitle, text, QMessageBox::NoButton, parent);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* take = box->addButton(step, QMessageBox::AcceptRole);
    box->addButton(QStringLiteral("閉じる"), QMessageBox::RejectRole);
    box->setDefaultButton(take);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, take, answered] { answered(box->clickedButton() == take); });
    box->open();
}

}  // namespace qvestra::ui
