#pragma once

#include <QString>
#include <atomic>

#include "common/message_boxes.h"

namespace qvestra {

// Tells the member, once a run, that a connection to the service was not
// made because the service could not be verified (its certificate, or no
// TLS at all): what follows looks like an offline start, and must not be
// taken for a computer without a network.
class UnverifiedNotice {
  public:
    static inline const QString kText =
        QStringLiteral("サーバーの証明書を確認できないため、QVestra に接続しませんでした！");

    explicit UnverifiedNotice(MessageBoxes& messages) : messages_(messages) {}

    // From any thread; the message shows on the windows' thread, the first
    // time only.
    void Report();

  private:
    MessageBoxes& messages_;
    std::atomic<bool> reported_{false};
};

}  // namespace qvestra
