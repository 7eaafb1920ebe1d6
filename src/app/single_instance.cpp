#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

namespace qvestra {

namespace {

constexpr int kAnswerTimeoutMs = 2000;

QString NameFor(const QString& key) {
    return QStringLiteral("qvestra-") +
           QString::fromLatin1(
               QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
}

}  // namespace

SingleInstance::SingleInstance(const QString& key)
    : name_(NameFor(key)), lock_(QDir::temp().filePath(name_ + QStringLiteral(".lock"))) {}

bool SingleInstance::Claim() {
    // The lock decides who is first; a lock left by a program that died is
    // taken over (QLockFile checks whether its owner still runs).
    if (lock_.tryLock(0)) {
        QLocalServer::removeServer(name_);
        server_ = std::make_unique<QLocalServer>();
        connect(server_.get(), &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* peer = server_->nextPendingConnection()) {
                connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
                Q_EMIT activationRequested();
            }
        });
        server_->listen(name_);
        return true;
    }
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (socket.waitForConnected(kAnswerTimeoutMs)) {
        socket.write("raise\n");
        socket.waitForBytesWritten(kAnswerTimeoutMs);
        socket.disconnectFromServer();
    }
    return false;
}

}  // namespace qvestra
