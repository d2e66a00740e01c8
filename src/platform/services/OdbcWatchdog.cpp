#include "platform/services/OdbcWatchdog.h"

#include "platform/core/Termination.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>

struct OdbcWatchdog::Watch::Entry {
    Clock::time_point deadline;
    std::function<void()> cancel;
    std::atomic<bool> cancelled{false};
};

namespace {

using Clock = OdbcWatchdog::Clock;
using Entry = OdbcWatchdog::Watch::Entry;

// How often the watchdog looks for a request to end the program while reads are watched: a signal
// handler cannot wake it.
constexpr auto TerminationPoll = std::chrono::milliseconds(100);

// A read without a deadline (a command timeout of 0) is cancelled only when the program ends.
Clock::time_point CancelTime(const Entry& entry)
{
    return entry.deadline == Clock::time_point::max() ? entry.deadline : entry.deadline + OdbcWatchdog::Grace;
}

// The one thread that cancels reads, started with the first read and ended with the program.
class Watchdog {
public:
    static Watchdog& Instance()
    {
        static Watchdog watchdog;
        return watchdog;
    }

    ~Watchdog()
    {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    // Wakes the watchdog only from its idle wait: while it watches, it looks every poll anyway, and
    // no deadline is nearer than one.
    void Add(const std::shared_ptr<Entry>& entry)
    {
        bool wasIdle = false;
        {
            const std::lock_guard lock(mutex_);
            if (!thread_.joinable())
                thread_ = std::thread([this] { Run(); });
            wasIdle = entries_.empty();
            entries_.push_back(entry);
        }
        if (wasIdle)
            changed_.notify_all();
    }

    // Waits for a cancel of the entry under way: cancels run under the lock.
    void Remove(const std::shared_ptr<Entry>& entry)
    {
        const std::lock_guard lock(mutex_);
        entries_.remove(entry);
    }

private:
    void Run()
    {
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            if (entries_.empty()) {
                changed_.wait(lock);
                continue;
            }
            CancelDue();
            changed_.wait_until(lock, std::min(NextCancel(), Clock::now() + TerminationPoll));
        }
    }

    void CancelDue()
    {
        const bool ending = TerminationRequested();
        const Clock::time_point now = Clock::now();
        for (const auto& entry : entries_)
            if (!entry->cancelled && (ending || now >= CancelTime(*entry))) {
                entry->cancelled = true;
                if (entry->cancel)
                    entry->cancel();
            }
    }

    Clock::time_point NextCancel() const
    {
        Clock::time_point next = Clock::time_point::max();
        for (const auto& entry : entries_)
            if (!entry->cancelled)
                next = std::min(next, CancelTime(*entry));
        return next;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::list<std::shared_ptr<Entry>> entries_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace

OdbcWatchdog::Watch::Watch(Clock::time_point deadline, std::function<void()> cancel) : entry_(std::make_shared<Entry>())
{
    entry_->deadline = deadline;
    entry_->cancel = std::move(cancel);
    Watchdog::Instance().Add(entry_);
}

OdbcWatchdog::Watch::~Watch() { Watchdog::Instance().Remove(entry_); }

bool OdbcWatchdog::Watch::Expired() const
{
    return entry_->cancelled || TerminationRequested() || Clock::now() >= entry_->deadline;
}
