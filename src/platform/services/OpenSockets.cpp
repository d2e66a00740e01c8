#include "platform/services/OpenSockets.h"

#include <dirent.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

// "socket:[12345]" as /proc names a descriptor's socket.
std::optional<unsigned long long> SocketInode(int descriptor)
{
    const std::string link = "/proc/self/fd/" + std::to_string(descriptor);
    char target[64] = {};
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
    if (length <= 0)
        return std::nullopt;
    const std::string_view name(target, static_cast<size_t>(length));
    constexpr std::string_view Prefix = "socket:[";
    if (name.substr(0, Prefix.size()) != Prefix)
        return std::nullopt;
    return std::strtoull(target + Prefix.size(), nullptr, 10);
}

bool IsStream(int descriptor)
{
    int type = 0;
    socklen_t length = sizeof type;
    return ::getsockopt(descriptor, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_STREAM;
}

} // namespace

std::vector<OpenSocket> OpenSockets()
{
    std::vector<OpenSocket> sockets;
    DIR* folder = ::opendir("/proc/self/fd");
    if (folder == nullptr)
        return sockets;
    while (const dirent* entry = ::readdir(folder)) {
        char* end = nullptr;
        const long descriptor = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || descriptor == ::dirfd(folder))
            continue;
        if (const auto inode = SocketInode(static_cast<int>(descriptor)))
            sockets.push_back({static_cast<int>(descriptor), *inode});
    }
    ::closedir(folder);
    return sockets;
}

std::vector<OpenSocket> SocketsOpenedSince(const std::vector<OpenSocket>& before)
{
    std::vector<OpenSocket> opened;
    for (const OpenSocket& socket : OpenSockets())
        if (std::find(before.begin(), before.end(), socket) == before.end() && IsStream(socket.descriptor))
            opened.push_back(socket);
    return opened;
}

bool ShutDownSockets(const std::vector<OpenSocket>& sockets)
{
    bool shut = false;
    for (const OpenSocket& socket : sockets)
        if (SocketInode(socket.descriptor) == socket.inode && ::shutdown(socket.descriptor, SHUT_RDWR) == 0)
            shut = true;
    return shut;
}
