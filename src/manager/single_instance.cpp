// SPDX-License-Identifier: MIT
#include "single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace wk {

namespace {

constexpr int kWaitMs = 2000;
const QByteArray kRaise = "raise\n";

// Asks a running manager to come to the front; false when none answers.
bool AskRunning(const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(kWaitMs)) return false;
    socket.write(kRaise);
    const bool sent = socket.waitForBytesWritten(kWaitMs);
    socket.disconnectFromServer();
    return sent;
}

}  // namespace

SingleInstance::SingleInstance(const QString& dictionary, QObject* parent)
    : QObject(parent), path_(SocketPath(dictionary)) {
    // Only the user's own processes can connect.
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            const auto read = [this, socket] {
                if (socket->readAll().contains(kRaise.trimmed())) emit raiseRequested();
            };
            connect(socket, &QLocalSocket::readyRead, this, read);
            if (socket->bytesAvailable() > 0) read();
        }
    });
}

QString SingleInstance::SocketPath(const QString& dictionary) {
    // Qt makes the folder the user's own (0700) or refuses it.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) return {};
    const QByteArray hash =
        QCryptographicHash::hash(dictionary.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QDir(runtime).filePath(
        QStringLiteral("wordkeeper-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash)));
}

bool SingleInstance::Claim() {
    if (path_.isEmpty()) return true;
    if (AskRunning(path_)) return false;
    if (server_.listen(path_)) return true;
    // A socket nobody answers on is left from a manager that ended without removing it;
    // unless another start took it meanwhile, it is replaced.
    if (server_.serverError() == QAbstractSocket::AddressInUseError) {
        if (AskRunning(path_)) return false;
        QLocalServer::removeServer(path_);
        server_.listen(path_);
    }
    return true;
}

}  // namespace wk
