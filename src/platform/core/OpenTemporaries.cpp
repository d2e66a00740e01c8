#include "platform/core/OpenTemporaries.h"

#include "platform/core/Seams.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>

namespace {

// A save keeps one temporary at a time; a few saves may overlap (a picture within a catalog's).
constexpr int EntryCount = 32;
// Random enough that no name made is ever another file's: a handler may remove a name whose file is
// still being made.
constexpr int SuffixLength = 12;
constexpr int Attempts = 100;
// The longest a handler waits for another thread to finish making a file, should that thread hang
// (on the folder of a server gone, say).
constexpr std::int64_t WaitNanoseconds = 1'000'000'000;

// What an entry holds. While its name is written and its file made, the thread doing so is kept
// beside, so that a handler can tell whether it interrupted that thread, which then makes nothing
// more, or must let another finish. Released is that other thread's answer to a handler that took
// its entry over: whatever it made is removed.
enum EntryState : std::uint64_t { Free, Naming, Making, Held, Removing, Released };
constexpr int StateBits = 3;

struct Entry {
    std::atomic<std::uint64_t> word{Free};
    char path[PATH_MAX];
};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "a signal handler may only use lock-free atomics");

Entry entries[EntryCount];
// Set by a handler before it takes the entries over: a file made without one would stay.
std::atomic<bool> ending{false};

std::uint64_t Word(EntryState state, pid_t thread = 0)
{
    return static_cast<std::uint64_t>(thread) << StateBits | state;
}
EntryState StateOf(std::uint64_t word) { return static_cast<EntryState>(word & ((1u << StateBits) - 1)); }
pid_t ThreadOf(std::uint64_t word) { return static_cast<pid_t>(word >> StateBits); }

std::string RandomSuffix()
{
    static constexpr char Characters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[SuffixLength];
    SystemRandomBytes(bytes, sizeof bytes);
    std::string suffix;
    for (const unsigned char byte : bytes)
        suffix += Characters[byte % (sizeof Characters - 1)];
    return suffix;
}

int TakeEntry(pid_t thread)
{
    for (int index = 0; index < EntryCount; ++index) {
        std::uint64_t expected = Free;
        if (entries[index].word.compare_exchange_strong(expected, Word(Naming, thread)))
            return index;
    }
    return -1;
}

// Moves the entry on from what this thread set it to. False when a handler took it over meanwhile:
// the file made, if any, is removed and the handler told so, for the program is ending.
bool MoveOn(Entry& entry, std::uint64_t from, std::uint64_t to, bool made)
{
    if (entry.word.compare_exchange_strong(from, to))
        return true;
    if (made)
        ::unlink(entry.path);
    entry.word.store(Released);
    return false;
}

int Interrupted()
{
    errno = EINTR;
    return -1;
}

constexpr int CreateFlags = O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC;

// Makes the file in the entry taken, its name written there first; -1 with errno set when it could
// not be made. The entry is held once the file is made, free again when it is not.
int MakeNamedFile(int index, pid_t thread, const std::string& path)
{
    if (index < 0)
        return ending.load() ? Interrupted() : ::open(path.c_str(), CreateFlags, 0600);
    Entry& entry = entries[index];
    std::memcpy(entry.path, path.c_str(), path.size() + 1);
    if (!MoveOn(entry, Word(Naming, thread), Word(Making, thread), false))
        return Interrupted();
    const int handle = ::open(path.c_str(), CreateFlags, 0600);
    const int error = errno;
    if (!MoveOn(entry, Word(Making, thread), Word(handle >= 0 ? Held : Free), handle >= 0)) {
        if (handle >= 0)
            ::close(handle);
        return Interrupted();
    }
    errno = error;
    return handle;
}

std::int64_t MonotonicNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void WaitForRelease(const Entry& entry)
{
    const std::int64_t start = MonotonicNanoseconds();
    while (entry.word.load() != Released && MonotonicNanoseconds() - start < WaitNanoseconds) {
    }
}

// Takes the entry over for the handler; answers what it held, Removing when another handler has it.
std::uint64_t TakeOver(Entry& entry)
{
    std::uint64_t word = entry.word.load();
    do {
        if (StateOf(word) == Removing || StateOf(word) == Released)
            return Word(Removing);
    } while (!entry.word.compare_exchange_weak(word, Word(Removing)));
    return word;
}

} // namespace

int CreateOpenTemporary(const std::string& prefix, std::string& path, int& entry)
{
    const pid_t thread = ::gettid();
    int handle = -1;
    for (int attempt = 0; attempt < Attempts && handle < 0; ++attempt) {
        path = prefix + RandomSuffix();
        entry = path.size() < PATH_MAX ? TakeEntry(thread) : -1;
        handle = MakeNamedFile(entry, thread, path);
        if (handle < 0 && errno != EEXIST)
            break;
    }
    if (handle < 0)
        entry = -1;
    return handle;
}

void ForgetOpenTemporary(int entry) noexcept
{
    if (entry < 0 || entry >= EntryCount)
        return;
    std::uint64_t expected = Held;
    entries[entry].word.compare_exchange_strong(expected, Free);
}

void RemoveOpenTemporaries() noexcept
{
    ending.store(true);
    const pid_t self = ::gettid();
    for (Entry& entry : entries) {
        const std::uint64_t word = TakeOver(entry);
        const EntryState state = StateOf(word);
        const bool making = state == Naming || state == Making;
        // This thread, interrupted while making a file, makes nothing more: only what it made goes.
        if (state == Held || (state == Making && ThreadOf(word) == self))
            ::unlink(entry.path);
        else if (making && ThreadOf(word) != self)
            WaitForRelease(entry);
    }
}
