#include "platform/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QFile>
#include <QLocalSocket>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <memory>

#include "common/ByteReader.h"

namespace pix {

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), name_(name)
{
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
}

SingleInstance::~SingleInstance() { server_.close(); }

namespace {

// Longer than the longest command line Linux passes (2 MiB) as UTF-16.
constexpr qsizetype kMaxMessageBytes = 8 << 20;

// A folder only this user can reach: ours, no link, no access for others.
bool PrivateFolder(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

enum class Message { Incomplete, Malformed, Complete };

// A command line as the sender's QDataStream writes a QStringList: a
// count, then each string's byte length and UTF-16 code units (big-endian).
// Nothing is allocated from a count the bytes do not back.
Message ParseArguments(const QByteArray& data, QStringList& arguments)
{
    arguments.clear();
    ByteReader in(reinterpret_cast<const uint8_t*>(data.constData()), static_cast<size_t>(data.size()));
    const uint32_t count = in.U32BE();
    if (in.Failed())
        return Message::Incomplete;
    if (count >= 0xFFFFFFFEu)
        return Message::Malformed;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t bytes = in.U32BE();
        if (in.Failed())
            return Message::Incomplete;
        if (bytes == 0xFFFFFFFFu) {
            arguments << QString();
            continue;
        }
        if (bytes % 2 != 0)
            return Message::Malformed;
        if (bytes > in.Remaining())
            return Message::Incomplete;
        QString text(static_cast<qsizetype>(bytes / 2), Qt::Uninitialized);
        const uint8_t* p = in.Current();
        for (qsizetype k = 0; k < text.size(); ++k)
            text[k] = QChar(static_cast<char16_t>((p[2 * k] << 8) | p[2 * k + 1]));
        arguments << text;
        in.Skip(bytes);
    }
    return in.AtEnd() ? Message::Complete : Message::Malformed;
}

// Whether the program at the other end runs as this user.
bool SameUser(const QLocalSocket& socket)
{
    ucred peer {};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::getuid();
}

}  // namespace

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

    // The session's runtime folder, else a folder of our own in the
    // temporary folder; none that another user could reach or have planted.
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !PrivateFolder(folder)) {
        folder = QDir(QDir::tempPath()).filePath(QStringLiteral("pixadrome-%1").arg(::getuid()));
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
        if (!PrivateFolder(folder))
            return {};
    }
    return QDir(folder).filePath(QStringLiteral("pixadrome-") + display);
}

bool SingleInstance::HandOver(const QStringList& arguments)
{
    if (name_.isEmpty())
        return false;
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
    if (name_.isEmpty())
        return false;
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
        if (!SameUser(*socket)) {
            socket->abort();
            continue;
        }
        auto received = std::make_shared<QByteArray>();
        auto read = [this, socket, received] {
            received->append(socket->readAll());
            QStringList arguments;
            const Message message = received->size() > kMaxMessageBytes ? Message::Malformed
                                                                         : ParseArguments(*received, arguments);
            if (message == Message::Malformed)
                socket->abort();
            if (message != Message::Complete)
                return;
            received->clear();
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
