#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace qvestra {

namespace {

constexpr int kAnswerTimeoutMs = 2000;

QString NameFor(const QString& key) {
    return QStringLiteral("qvestra-") +
           QString::fromLatin1(
               QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
}

}  // namespace

SingleInstance::SingleInstance(const QString& key, const QString& folder)
    : lockPath_(QDir(folder).filePath(NameFor(key) + QStringLiteral(".lock"))),
      socketPath_(QDir(folder).filePath(NameFor(key) + QStringLiteral(".socket"))),
      lock_(lockPath_) {}

QString SingleInstance::PrivateFolder() {
    // Qt makes sure the runtime folder belongs to the user alone, and
    // answers nothing when it cannot.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::homePath() : runtime;
}

SingleInstance::Claim SingleInstance::TryClaim() {
    // The lock decides who is first; a lock left by a program that died is
    // taken over (QLockFile checks whether its owner still runs).
    if (lock_.tryLock(0)) {
        QLocalServer::removeServer(socketPath_);
        server_ = std::make_unique<QLocalServer>();
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(server_.get(), &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* peer = server_->nextPendingConnection()) {
                connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
                Q_EMIT activationRequested();
            }
        });
        server_->listen(socketPath_);
        return Claim::kFirst;
    }
    if (lock_.error() != QLockFile::LockFailedError) return Claim::kUnavailable;
    // The connection itself asks the running client to come forward; it
    // reads nothing from it.
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    return socket.waitForConnected(kAnswerTimeoutMs) ? Claim::kOtherRaised : Claim::kOtherSilent;
}

QString ClaimRefusal(SingleInstance::Claim claim, const QString& lockFile) {
    switch (claim) {
        case SingleInstance::Claim::kOtherSilent:
            return QStringLiteral(
                       "QVestraはすでに起動していますが、応答がありません。\n"
                       "起動中のQVestraを終了してから、もう一度起動してください。\n(%1)")
                .arg(lockFile);
        case SingleInstance::Claim::kUnavailable:
            return QStringLiteral(
                       "QVestraを起動できません。\n作業用のファイルを作成できませんでした。\n(%1)")
                .arg(lockFile);
        case SingleInstance::Claim::kFirst:
        case SingleInstance::Claim::kOtherRaised:
            break;
    }
    return {};
}

}  // namespace qvestra
