#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace qvestra::ui {

// The few messages a member sees: the application's title and an OK button
// only. The call returns at once, the box stays until the member closes
// it, and then `closed` runs, if given: what follows a message waits for it
// without holding the window.
class MessageBoxes {
  public:
    static inline const QString kTitle = QStringLiteral("QVestra");

    virtual ~MessageBoxes() = default;
    virtual void Inform(QWidget* parent, const QString& text,
                        std::function<void()> closed = {}) = 0;
    // The same with a button for the next step (再試行) beside 閉じる;
    // answered(true) runs when the member takes that step.
    virtual void Offer(QWidget* parent, const QString& text, const QString& step,
                       std::function<void(bool taken)> answered) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
  public:
    void Inform(QWidget* parent, const QString& text, std::function<void()> closed) override;
    void Offer(QWidget* parent, const QString& text, const QString& step,
               std::function<void(bool taken)> answered) override;
};

}  // namespace qvestra::ui
