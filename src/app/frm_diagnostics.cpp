#include "app/frm_diagnostics.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qvestra {

namespace {

QString Bytes(const std::optional<std::int64_t>& bytes) {
    return bytes ? QLocale(QLocale::Japanese).toString(static_cast<qlonglong>(*bytes)) +
                       QStringLiteral(" バイト")
                 : QStringLiteral("不明");
}

}  // namespace

QString DiagnosticsText(const DiagnosticsFacts& f) {
    QStringList lines = {
        QStringLiteral("QVestra %1").arg(f.version),
        QStringLiteral("OS: %1").arg(f.system),
        QStringLiteral("Qt: %1").arg(f.qt),
        QStringLiteral("OpenSSL: %1").arg(f.openSsl),
        QStringLiteral("Web エンジン: %1").arg(f.engine),
        QStringLiteral("サービス: %1").arg(f.service),
        QStringLiteral("プロキシ: %1")
            .arg(f.proxy.isEmpty() ? QStringLiteral("使用していません") : f.proxy),
        QStringLiteral("データフォルダ: %1（%2）").arg(f.dataFolder, Bytes(f.dataFolderBytes)),
        QStringLiteral("空き容量: %1").arg(Bytes(f.freeBytes)),
        QString(),
        QStringLiteral("ログ（最新 %1 行）:").arg(f.log.size()),
    };
    return (lines + f.log).join(u'\n');
}

FrmDiagnostics::FrmDiagnostics(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("診断情報"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(720, 480);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setAccessibleName(QStringLiteral("診断情報"));
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* copy =
        buttons->addButton(QStringLiteral("すべてコピー"), QDialogButtonBox::ActionRole);
    buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    connect(copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(Text()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(buttons);
}

void FrmDiagnostics::Show(const DiagnosticsFacts& facts) {
    text_->setPlainText(DiagnosticsText(facts));
    show();
    raise();
    text_->setFocus();
}

QString FrmDiagnostics::Text() const { return text_->toPlainText(); }

}  // namespace qvestra
