#include "app/OpenFileServer.h"

#include "app/FileRequests.h"
#include "platform/core/FilePaths.h"
#include "platform/ui/Application.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

namespace {

// A request is a path and its keyword; anything longer is not one.
constexpr qint64 MaxRequestBytes = 1 << 16;

// A folder only this user can enter: owned by them and closed to everyone else.
bool IsPrivateFolder(const std::string& folder)
{
    struct stat status {};
    return ::lstat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::getuid() &&
           (status.st_mode & 077) == 0;
}

// The user's own folder for the socket: the session's runtime folder, else one made for it.
std::optional<std::string> PrivateSocketFolder()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime && IsPrivateFolder(runtime))
        return std::string(runtime);
    const std::string folder = "/tmp/kestrame-" + std::to_string(static_cast<long>(::getuid()));
    ::mkdir(folder.c_str(), 0700);
    if (IsPrivateFolder(folder))
        return folder;
    return std::nullopt;
}

// A socket someone else made under the name must not receive this user's paths.
bool OwnedByAnother(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && status.st_uid != ::getuid();
}

} // namespace

std::string OpenFileServerName()
{
    if (const char* name = std::getenv("KESTRAME_OPEN_FILE_SOCKET"); name && *name)
        return name;
    const std::optional<std::string> folder = PrivateSocketFolder();
    return folder ? *folder + "/Kestrame-OpenFile" : std::string();
}

OpenFileServer::OpenFileServer(Request onRequest, QObject* parent)
    : QObject(parent), onRequest_(std::move(onRequest)), server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, ShowingErrors(this, &OpenFileServer::Accept));
}

OpenFileServer::~OpenFileServer() = default;

bool OpenFileServer::Listen()
{
    const std::string path = OpenFileServerName();
    if (path.empty() || OwnedByAnother(path))
        return false;
    const QString name = PathToQString(path);
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
        connect(socket, &QLocalSocket::readyRead, this, ShowingErrors([this, socket] {
                    if (socket->bytesAvailable() > MaxRequestBytes) {
                        socket->abort();
                        return;
                    }
                    if (!socket->canReadLine())
                        return;
                    // The request carries the path as the system's own bytes, which are no text.
                    const std::string request = socket->readLine(MaxRequestBytes).toStdString();
                    socket->write("OK\n");
                    socket->flush();
                    socket->disconnectFromServer();
                    // The open runs from the message loop, not inside the socket's own signal.
                    QMetaObject::invokeMethod(
                        this, [this, request] { onRequest_(request); }, Qt::QueuedConnection);
                }));
    }
}

bool HandOverToRunningProgram(const std::string& path, int timeoutMs)
{
    const std::string name = OpenFileServerName();
    if (name.empty() || OwnedByAnother(name))
        return false;
    QLocalSocket socket;
    socket.connectToServer(PathToQString(name));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(QByteArray::fromStdString(OpenFileRequest(path) + "\n"));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // Once the request is written the running program opens the file, however long it takes to
    // answer: opening it here as well would put one file in two programs.
    socket.waitForReadyRead(timeoutMs);
    return true;
}
