#include "platform/core/TerminationSignals.h"

#include "platform/core/OpenTemporaries.h"
#include "platform/core/Termination.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace {

int requestPipe[2] = {-1, -1};
std::atomic<int> requests{0};

void OnTerminationSignal(int number)
{
    const int savedErrno = errno;
    if (requests.fetch_add(1) == 0) {
        // A database read blocking the window thread is cancelled, so that the loop hears the byte.
        NoteTerminationRequest();
        const char byte = 0;
        static_cast<void>(::write(requestPipe[1], &byte, 1));
    } else {
        RemoveOpenTemporaries();
        // Blocked while this handler runs, the signal ends the program as soon as it returns.
        ::signal(number, SIG_DFL);
        ::raise(number);
    }
    errno = savedErrno;
}

} // namespace

int CatchTerminationSignals()
{
    if (::pipe2(requestPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return -1;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    // One request at a time on a thread: the second waits for the first to be counted.
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGTERM);
    sigaddset(&action.sa_mask, SIGINT);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    return requestPipe[0];
}
