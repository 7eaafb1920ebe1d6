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
    enum class Claim {
        kFirst,
        // Another program runs and has been asked to come to the front.
        kOtherRaised,
        // Another program holds the lock but does not answer.
        kOtherSilent,
        // The lock cannot be made at all (the folder is not writable).
        kUnavailable,
    };

    // key: the data folder, so each member account has its own program.
    // folder: where the lock and the program's socket live; only the member
    // may write there, or anyone else could keep the program from starting.
    SingleInstance(const QString& key, const QString& folder);

    Claim TryClaim();
    QString LockFile() const { return lockPath_; }

    // Where only the member can write: the session's runtime folder, else
    // the home folder.
    static QString PrivateFolder();

  Q_SIGNALS:
    void activationRequested();

  private:
    QString lockPath_;
    QString socketPath_;
    QLockFile lock_;
    std::unique_ptr<QLocalServer> server_;
};

// What to tell the member when this start cannot run; empty when there is
// nothing to say (it runs, or the running program came to the front).
QString ClaimRefusal(SingleInstance::Claim claim, const QString& lockFile);

}  // namespace qvestra
