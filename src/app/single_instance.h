#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <memory>

namespace qvestra {

// One program at a time for one data folder: two would fight over the user
// file and the downloads. The first start claims a lock and listens; a later
// start asks it to come to the front and then ends.
class SingleInstance final : public QObject {
    Q_OBJECT

  public:
    // key: the data folder, so each member account has its own program.
    explicit SingleInstance(const QString& key);

    // True for the first program; false when another one runs (it has been
    // asked to come to the front).
    bool Claim();

  Q_SIGNALS:
    void activationRequested();

  private:
    QString name_;
    QLockFile lock_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace qvestra
