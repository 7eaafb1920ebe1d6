#pragma once

#include <QWidget>
#include <cstdint>

#include "ui/twips.h"

class QLabel;
class QProgressBar;

namespace qvestra::documents {

// "###,###,##0": thousands grouped with commas, at least one digit. Byte
// counts are never negative; a negative value shows as 0.
QString FormatCount(std::int64_t value);

// The progress window of one document download: its title, the announced
// length, the bytes received so far and a bar.
class FrmCond final : public QWidget {
    Q_OBJECT

  public:
    explicit FrmCond(ui::TwipScale scale);

    void Announce(const QString& title, std::int64_t total);
    void Received(std::int64_t bytes);

    QLabel* Lbl_TTL = nullptr;
    QLabel* Lbl_Leng = nullptr;
    QLabel* Lbl_Recv = nullptr;
    QProgressBar* ProgBar = nullptr;

  Q_SIGNALS:
    // After every change of what the window shows.
    void updated();

  private:
    ui::TwipsLayout layout_;
    // The bar counts in units of this many bytes so a length beyond the
    // bar's integer range still fits.
    std::int64_t unit_ = 1;
    std::int64_t total_ = 0;
};

}  // namespace qvestra::documents
