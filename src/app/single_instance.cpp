#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <utility>

#include <unistd.h>

namespace qtx {

namespace {

QString ServerName(const QString& title)
{
    const QByteArray custom = qgetenv("QTX_INSTANCE_NAME");
    if (!custom.isEmpty())
        return QString::fromLocal8Bit(custom);
    const QByteArray hash = QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("qtx-manager-%1-%2").arg(getuid()).arg(QString::fromLatin1(hash));
}

} // namespace

std::unique_ptr<QLocalServer> ClaimSingleInstance(const QString& title, std::function<void()> raise)
{
    const QString name = ServerName(title);
    {
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(500)) {
            probe.write("raise\n");
            probe.waitForBytesWritten(500);
            probe.disconnectFromServer();
            return nullptr;
        }
    }
    // Nobody answered: a socket left by a crashed copy is stale.
    QLocalServer::removeServer(name);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name))
        return server; // cannot guard (for example no runtime folder); the program still runs
    QLocalServer* raw = server.get();
    QObject::connect(raw, &QLocalServer::newConnection, raw, [raw, raise = std::move(raise)] {
        while (QLocalSocket* socket = raw->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            raise();
        }
    });
    return server;
}

} // namespace qtx
