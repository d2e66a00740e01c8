#pragma once

#include <QObject>

#include <functional>
#include <string>

class QLocalServer;

// The running program's door for a second start: a local socket of the user's own name that takes
// "OpenFile=<path>" requests, one per connection.
class OpenFileServer : public QObject {
    Q_OBJECT

public:
    using Request = std::function<void(const std::string& request)>;

    OpenFileServer(Request onRequest, QObject* parent = nullptr);
    ~OpenFileServer() override;

    // False when no server could be set up (another program holds the name, or the socket there
    // belongs to another user).
    bool Listen();

private:
    void Accept();

    Request onRequest_;
    QLocalServer* server_;
};

// The socket path of this user's running program, in a folder only the user can enter (the
// session's runtime folder, else one of the user's own); empty when there is no such folder.
// KESTRAME_OPEN_FILE_SOCKET replaces it, so that tests never reach a program the user has running.
std::string OpenFileServerName();

// A second start hands its path to the running program; true once the request is written. False
// when no program took the connection (or the socket is someone else's): this start then opens the
// path itself.
bool HandOverToRunningProgram(const std::string& path, int timeoutMs = 1000);
