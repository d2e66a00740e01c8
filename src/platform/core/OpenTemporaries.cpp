#include "platform/core/OpenTemporaries.h"

#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>

namespace {

// A save keeps one temporary at a time; a few saves may overlap (a picture within a catalog's).
constexpr int EntryCount = 32;

// An entry is filled by the thread that took it and read by a handler only once it is held; a
// handler takes it over for good, since the program ends.
enum EntryState : int { Free, Filling, Held, Removing };

struct Entry {
    std::atomic<int> state{Free};
    char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only use lock-free atomics");

Entry entries[EntryCount];

} // namespace

int RegisterOpenTemporary(const std::string& path) noexcept
{
    if (path.size() >= sizeof(Entry::path))
        return -1;
    for (int index = 0; index < EntryCount; ++index) {
        Entry& entry = entries[index];
        int expected = Free;
        if (entry.state.compare_exchange_strong(expected, Filling)) {
            std::memcpy(entry.path, path.c_str(), path.size() + 1);
            entry.state.store(Held);
            return index;
        }
    }
    return -1;
}

void ForgetOpenTemporary(int entry) noexcept
{
    if (entry < 0 || entry >= EntryCount)
        return;
    int expected = Held;
    entries[entry].state.compare_exchange_strong(expected, Free);
}

void RemoveOpenTemporaries() noexcept
{
    for (Entry& entry : entries) {
        int expected = Held;
        if (entry.state.compare_exchange_strong(expected, Removing))
            ::unlink(entry.path);
    }
}
