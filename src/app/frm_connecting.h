#pragma once

#include <QWidget>

namespace qvestra {

// The notice of a start-up that waits for the service: the program is
// connecting, and the member may start offline at once instead.
class FrmConnecting final : public QWidget {
    Q_OBJECT

  public:
    FrmConnecting();

  Q_SIGNALS:
    void offlineChosen();
    // The member closed it: the program ends.
    void closedByMember();

  protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace qvestra
