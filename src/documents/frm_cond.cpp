#include "documents/frm_cond.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <algorithm>
#include <limits>

namespace qvestra::documents {

QString FormatCount(std::int64_t value) {
    QString digits = QString::number(std::max<std::int64_t>(value, 0));
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, u',');
    return digits;
}

FrmCond::FrmCond(ui::TwipScale scale)
    : QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), layout_(scale) {
    setWindowTitle(QStringLiteral("初期処理"));
    QFont gothic;
    gothic.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP")});
    gothic.setPointSizeF(11.25);

    Lbl_TTL = new QLabel(QStringLiteral("Label1"), this);
    // The title comes from the service: text, never markup that could change the window.
    Lbl_TTL->setTextFormat(Qt::PlainText);
    Lbl_TTL->setFont(gothic);
    layout_.Place(Lbl_TTL, {240, 240, 4215, 375});
    Lbl_Leng = new QLabel(this);
    Lbl_Leng->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout_.Place(Lbl_Leng, {1320, 720, 975, 255});
    Lbl_Recv = new QLabel(this);
    Lbl_Recv->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout_.Place(Lbl_Recv, {2400, 720, 975, 255});
    ProgBar = new QProgressBar(this);
    ProgBar->setRange(0, 100);
    ProgBar->setValue(0);
    ProgBar->setTextVisible(false);
    ProgBar->setAccessibleName(QStringLiteral("ダウンロードの進み具合"));
    Lbl_Leng->setAccessibleName(QStringLiteral("全体のバイト数"));
    Lbl_Recv->setAccessibleName(QStringLiteral("受け取ったバイト数"));
    layout_.Place(ProgBar, {120, 1200, 4335, 255});

    // A sizable tool window.
    resize(scale.ToPixels(4680), scale.ToPixels(1635));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

namespace {

// The count labels keep their design width; a count too long for it (a
// document of gigabytes) is drawn smaller rather than cut off.
void ShowCount(QLabel* label, std::int64_t value) {
    const QString text = FormatCount(value);
    QFont font = label->font();
    font.setPointSizeF(9);
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(text) > label->width())
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
    label->setText(text);
}

}  // namespace

void FrmCond::Announce(const QString& title, std::int64_t total) {
    constexpr std::int64_t kBarLimit = std::numeric_limits<int>::max();
    unit_ = 1 + std::max<std::int64_t>(total, 0) / kBarLimit;
    ShowCount(Lbl_Leng, total);
    total_ = total;
    // A length of 0 still gets a range, so the bar never spins without end.
    ProgBar->setRange(0, static_cast<int>(std::max<std::int64_t>(1, total / unit_)));
    Lbl_TTL->setText(title + QStringLiteral("を初期化中"));
    Q_EMIT updated();
}

void FrmCond::Received(std::int64_t bytes) {
    ShowCount(Lbl_Recv, bytes);
    // What a screen reader says of the bar: the figures, not a bare percentage.
    ProgBar->setAccessibleDescription(
        QStringLiteral("%1 / %2 バイト").arg(FormatCount(bytes), FormatCount(total_)));
    ProgBar->setValue(
        static_cast<int>(std::clamp<std::int64_t>(bytes / unit_, 0, ProgBar->maximum())));
    Q_EMIT updated();
}

}  // namespace qvestra::documents
