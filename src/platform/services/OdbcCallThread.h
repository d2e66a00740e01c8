#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

// Bounds a database call in time and in the memory it makes the program take, whatever the driver
// does. A connection's driver calls run on a thread of its own while the window thread waits for
// them: past its deadline a call is asked to stop, then interrupted as its driver allows, then cut
// off from its server; one that still runs is left to end by itself, and the window thread goes on.
// A request to end the program (Termination.h) stops every call at once.

// Why a call was stopped.
enum class OdbcStop { None, Deadline, Memory, Ending };

// One call, as the driver side and the waiting side both see it.
class OdbcCall {
public:
    using Clock = std::chrono::steady_clock;

    explicit OdbcCall(Clock::time_point deadline) : deadline_(deadline) {}

    Clock::time_point Deadline() const { return deadline_; }
    // Whether the call is to stop between driver calls, and why.
    bool Expired() const;
    OdbcStop Reason() const;
    void Stop(OdbcStop reason);

    // The driver's own way of interrupting what the call runs now (a statement's cancel, SQLite's
    // interrupt); it keeps alive what it names. The waiting side runs it on a thread of its own: a
    // driver's cancel may itself wait for the server.
    void SetInterrupt(std::function<void()> interrupt);
    void Interrupt();

    void Finish();
    bool Finished() const;
    // Waits until the call finishes or `until` comes; whether it finished.
    bool WaitUntil(Clock::time_point until);

private:
    const Clock::time_point deadline_;
    mutable std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    OdbcStop reason_ = OdbcStop::None;
    std::function<void()> interrupt_;
};

// How a call ended: by itself (perhaps interrupted), once its connection was cut off from the
// server, or not at all (left to end by itself). A connection cut or left is of no further use.
enum class OdbcCallEnd { Ended, Cut, Left };

// Runs one connection's calls, in order, on a thread of its own.
class OdbcCallThread {
public:
    using Clock = OdbcCall::Clock;

    // What one call may add to the memory the program holds, whatever holds it (the driver, the rows
    // read): far more than a catalog needs, far less than would bring the machine down.
    static constexpr std::int64_t MaxReadBytes = std::int64_t{1} << 30;
    // Between the first steps that stop a call past its deadline: asking it, interrupting it, cutting
    // its connection (leaving it comes three of these after).
    static constexpr Clock::duration Grace = std::chrono::seconds(1);

    OdbcCallThread();
    // Lets the thread end after the calls given to it; waits a while for that unless a call was left.
    ~OdbcCallThread();
    OdbcCallThread(const OdbcCallThread&) = delete;
    OdbcCallThread& operator=(const OdbcCallThread&) = delete;

    // Runs `work` on the thread and waits for it up to its deadline and the steps after it;
    // `cutConnection` closes the connection's link to its server (the last step before leaving the
    // call), and tells whether there was one to cut. Whatever `work` uses must be its own: a call left behind outlives the caller's frame.
    // The call's Reason() tells why it was stopped, if it was.
    OdbcCallEnd Run(const std::shared_ptr<OdbcCall>& call, std::function<void()> work,
                    const std::function<bool()>& cutConnection);
    // Queues `work` after the calls before it, without waiting.
    void Post(std::function<void()> work);

    // What the program holds on its heap now, the drivers' allocations with its own: where the
    // values of a read are, whoever keeps them.
    static std::int64_t HeldBytes();
    // Gives the heap a refused or failed read freed back to the system: a read stopped near the
    // memory bound would otherwise leave the program holding that much, showing nothing.
    static void GiveBackFreedHeap();

    struct Queue;

private:
    std::shared_ptr<Queue> queue_;
    bool left_ = false;
};
