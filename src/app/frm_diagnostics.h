#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

class QPlainTextEdit;

namespace qvestra {

// What support needs to know of a member's program, never a secret: the
// proxy by its place only, the log as the program wrote it.
struct DiagnosticsFacts {
    QString version;
    QString system;
    QString qt;
    QString openSsl;
    QString engine;
    QString service;  // the service's address, its scheme included
    QString proxy;    // host:port, or empty when the service is reached directly
    QString dataFolder;
    std::optional<std::int64_t> dataFolderBytes;
    std::optional<std::int64_t> freeBytes;
    QStringList log;  // the last lines
};

// The facts as one text, for the window and for a support message.
QString DiagnosticsText(const DiagnosticsFacts& facts);

// 診断情報: the facts, and a button that copies them for a support message.
class FrmDiagnostics final : public QDialog {
    Q_OBJECT

  public:
    explicit FrmDiagnostics(QWidget* parent);
    void Show(const DiagnosticsFacts& facts);
    QString Text() const;

  private:
    QPlainTextEdit* text_;
};

}  // namespace qvestra
