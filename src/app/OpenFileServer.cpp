#include "app/OpenFileServer.h"

#include "app/FileRequests.h"
#include "platform/core/CodePage.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

#include <cstdlib>

namespace {

// A request is a path and its keyword; anything longer is not one.
constexpr qint64 MaxRequestBytes = 1 << 16;

} // namespace

std::string OpenFileServerName()
{
    if (const char* name = std::getenv("KESTRAME_OPEN_FILE_SOCKET"); name && *name)
        return name;
    return "Kestrame-" + std::to_string(static_cast<long>(getuid())) + "-OpenFile";
}

OpenFileServer::OpenFileServer(Request onRequest, QObject* parent)
    : QObject(parent), onRequest_(std::move(onRequest)), server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &OpenFileServer::Accept);
}

OpenFileServer::~OpenFileServer() = default;

bool OpenFileServer::Listen()
{
    const QString name = toQString(OpenFileServerName());
    if (server_->listen(name))
        return true;
    // A socket file left by a program that ended without closing it.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(200))
        return false;
    QLocalServer::removeServer(name);
    return server_->listen(name);
}

void OpenFileServer::Accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->bytesAvailable() > MaxRequestBytes) {
                socket->abort();
                return;
            }
            if (!socket->canReadLine())
                return;
            const std::string request = fromQString(QString::fromUtf8(socket->readLine(MaxRequestBytes)));
            socket->write("OK\n");
            socket->flush();
            socket->disconnectFromServer();
            // The open runs from the message loop, not inside the socket's own signal.
            QMetaObject::invokeMethod(
                this, [this, request] { onRequest_(request); }, Qt::QueuedConnection);
        });
    }
}

bool HandOverToRunningProgram(const std::string& path, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(toQString(OpenFileServerName()));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(toQString(OpenFileRequest(path)).toUtf8() + "\n");
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    return socket.waitForReadyRead(timeoutMs) && socket.readLine().startsWith("OK");
}
