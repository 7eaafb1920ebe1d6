#pragma once

#include <QString>

class QWidget;

namespace qvestra {

// The few messages a member sees: the application's title, an OK button
// only, and the call returns once the member has closed the box.
class MessageBoxes {
  public:
    static inline const QString kTitle = QStringLiteral("QVestra");

    virtual ~MessageBoxes() = default;
    virtual void Inform(QWidget* parent, const QString& text) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
  public:
    void Inform(QWidget* parent, const QString& text) override;
};

}  // namespace qvestra
