#include "platform/SingleInstance.h"

#include <QDataStream>
#include <QLocalSocket>
#include <unistd.h>

namespace pix {

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), name_(name)
{
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
}

SingleInstance::~SingleInstance() { server_.close(); }

QString SingleInstance::DefaultName() { return QStringLiteral("pixadrome-%1").arg(::getuid()); }

bool SingleInstance::HandOver(const QStringList& paths)
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(1000))
        return false;
    QByteArray block;
    QDataStream out(&block, QIODevice::WriteOnly);
    out << paths;
    socket.write(block);
    socket.waitForBytesWritten(2000);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Listen()
{
    if (server_.listen(name_))
        return true;
    // A socket left behind by a crashed instance: nobody answers on it.
    QLocalServer::removeServer(name_);
    return server_.listen(name_);
}

void SingleInstance::OnConnection()
{
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto read = [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            QStringList paths;
            in >> paths;
            if (!in.commitTransaction())
                return;
            emit activationRequested(paths);
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        if (socket->bytesAvailable() > 0)
            read();
    }
}

}  // namespace pix
