#pragma once

#include <vector>

// The sockets the process holds open, so that a connection that made some can be cut off from its
// server while its driver waits on them in another thread. A socket is told by its descriptor and
// the system's own number for it, which a descriptor closed and used again does not keep.
struct OpenSocket {
    int descriptor = -1;
    unsigned long long inode = 0;

    bool operator==(const OpenSocket&) const = default;
};

std::vector<OpenSocket> OpenSockets();
// The stream sockets open now that were not in `before`.
std::vector<OpenSocket> SocketsOpenedSince(const std::vector<OpenSocket>& before);
// Shuts each socket down both ways, where its descriptor still names it: whoever waits on it hears
// the end, and the descriptor stays its owner's to close. Whether it shut any down.
bool ShutDownSockets(const std::vector<OpenSocket>& sockets);
