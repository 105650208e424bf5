#include "app/shell/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace tandrel {

namespace {

const QByteArray kReopen = QByteArrayLiteral("reopen\n");
const QByteArray kDone = QByteArrayLiteral("ok\n");
constexpr int kTimeoutMs = 2000;

// Separate desktops of one user (a nested or virtual display) each get their own instance.
QString displayTag() {
    QString display = qEnvironmentVariable("DISPLAY", QStringLiteral("none"));
    for (QChar& c : display)
        if (!c.isLetterOrNumber())
            c = QLatin1Char('_');
    return display;
}

bool askToReopen(const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(kTimeoutMs))
        return false;
    socket.write(kReopen);
    if (!socket.waitForBytesWritten(kTimeoutMs))
        return false;
    // The answer tells that a live instance took it, not a socket file left by a crash.
    while (socket.bytesAvailable() < kDone.size())
        if (!socket.waitForReadyRead(kTimeoutMs))
            return false;
    return socket.readAll().startsWith(kDone);
}

} // namespace

QString SingleInstance::socketPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/tandrel-%1-%2.socket").arg(getuid()).arg(displayTag());
}

SingleInstance::Role SingleInstance::claim(QString* error) {
    const QString path = socketPath();
    if (askToReopen(path))
        return Role::Secondary;

    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered: a socket file there is a leftover of an instance that ended abruptly.
    QLocalServer::removeServer(path);
    if (!server->listen(path)) {
        if (error)
            *error = server->errorString();
        return Role::Failed;
    }
    QObject::connect(server.get(), &QLocalServer::newConnection, server.get(), [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                if (!socket->canReadLine())
                    return;
                const QByteArray line = socket->readLine();
                if (line == kReopen) {
                    socket->write(kDone);
                    socket->flush();
                    if (onReopen)
                        onReopen();
                }
                socket->disconnectFromServer();
            });
        }
    });
    m_server = std::move(server);
    return Role::Primary;
}

} // namespace tandrel
