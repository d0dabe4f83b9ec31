#include "platform/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalSocket>
#include <unistd.h>

namespace pix {

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), name_(name)
{
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
}

SingleInstance::~SingleInstance() { server_.close(); }

QString SingleInstance::DefaultName()
{
    const QString platform = QGuiApplication::platformName();
    QString display;
    if (platform.startsWith(QLatin1String("wayland")))
        display = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    else if (platform == QLatin1String("xcb"))
        display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("WAYLAND_DISPLAY", qEnvironmentVariable("DISPLAY", platform));
    // WAYLAND_DISPLAY may be a socket's full path.
    display = display.section(QLatin1Char('/'), -1);

    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(QStringLiteral("pixadrome-") + display);
    return QDir(QDir::tempPath()).filePath(QStringLiteral("pixadrome-%1-%2").arg(::getuid()).arg(display));
}

bool SingleInstance::HandOver(const QStringList& arguments)
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(1000))
        return false;
    QByteArray block;
    QDataStream out(&block, QIODevice::WriteOnly);
    out << arguments;
    socket.write(block);
    socket.waitForBytesWritten(2000);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Listen()
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
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
            QStringList arguments;
            in >> arguments;
            if (!in.commitTransaction())
                return;
            // Opening a folder shows progress, which runs the event loop:
            // the socket may end and be deleted meanwhile, so the request
            // waits until this reader has returned.
            QMetaObject::invokeMethod(
                this, [this, arguments] { emit activationRequested(arguments); }, Qt::QueuedConnection);
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        if (socket->bytesAvailable() > 0)
            read();
    }
}

}  // namespace pix
