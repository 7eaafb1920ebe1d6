#pragma once

#include <QObject>
#include <QString>
#include <atomic>

#include "ui/message_boxes.h"

class QWidget;

namespace qvestra::ui {

// Tells the member, once a run, that a connection to the service was not
// made because the service could not be verified (its certificate, or no
// TLS at all): what follows looks like an offline start, and must not be
// taken for a computer without a network.
class UnverifiedNotice final : public QObject {
  public:
    static inline const QString kText =
        QStringLiteral("サーバーの証明書を確認できないため、QVestra に接続しませんでした！");

    explicit UnverifiedNotice(MessageBoxes& messages) : messages_(messages) {}

    // From any thread, the first time only. The message shows over the
    // program's window; before there is one (the start-up's first
    // exchange), once one shows, as a message shown first would end up
    // behind it.
    void Report();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    MessageBoxes& messages_;
    std::atomic<bool> reported_{false};
};

}  // namespace qvestra::ui
