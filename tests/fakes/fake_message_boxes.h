#pragma once

#include <QStringList>

#include "common/message_boxes.h"

namespace qvestra::testing {

// Answers every box at once, as if the member pressed OK, and keeps the texts.
class FakeMessageBoxes final : public MessageBoxes {
  public:
    void Inform(QWidget*, const QString& text) override { shown.append(text); }
    QStringList shown;
};

}  // namespace qvestra::testing
