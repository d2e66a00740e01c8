#pragma once

#include <chrono>
#include <functional>
#include <memory>

// Bounds database reads in time. A read checks its deadline itself between driver calls; one that
// blocks inside the driver past it (a view that runs for hours before its first row) is cancelled
// from the watchdog's own thread, as the connection says. A request to end the program
// (Termination.h) cancels every read at once, so that the window thread gets back to its event loop.
class OdbcWatchdog {
public:
    using Clock = std::chrono::steady_clock;

    // Watches one read while it lives; destroying it waits for a cancel under way, so that the
    // handle the cancel names outlives it.
    class Watch {
    public:
        // time_point::max() for no deadline; an empty `cancel` leaves the read to stop by itself.
        Watch(Clock::time_point deadline, std::function<void()> cancel);
        ~Watch();
        Watch(const Watch&) = delete;
        Watch& operator=(const Watch&) = delete;

        // Whether the read is to stop: its deadline passed, it was cancelled, or the program is ending.
        bool Expired() const;

        // What the watchdog keeps of the read.
        struct Entry;

    private:
        std::shared_ptr<Entry> entry_;
    };

    // Between a deadline and the cancel: a read that is not blocked stops by itself in that time, so
    // that a driver is cancelled only where a call has kept the read past its deadline.
    static constexpr Clock::duration Grace = std::chrono::seconds(1);
};
