#include "platform/services/OdbcCallThread.h"

#include "platform/core/Termination.h"

#include <malloc.h>

#include <algorithm>
#include <cstddef>
#include <deque>
#include <optional>
#include <thread>
#include <vector>

// ---------------------------------------------------------------------------------------------
// A call

bool OdbcCall::Expired() const { return Reason() != OdbcStop::None; }

OdbcStop OdbcCall::Reason() const
{
    {
        const std::lock_guard lock(mutex_);
        if (reason_ != OdbcStop::None)
            return reason_;
    }
    if (TerminationRequested())
        return OdbcStop::Ending;
    return Clock::now() >= deadline_ ? OdbcStop::Deadline : OdbcStop::None;
}

void OdbcCall::Stop(OdbcStop reason)
{
    const std::lock_guard lock(mutex_);
    if (reason_ == OdbcStop::None)
        reason_ = reason;
}

void OdbcCall::SetInterrupt(std::function<void()> interrupt)
{
    const std::lock_guard lock(mutex_);
    interrupt_ = std::move(interrupt);
}

void OdbcCall::Interrupt()
{
    std::function<void()> interrupt;
    {
        const std::lock_guard lock(mutex_);
        interrupt = interrupt_;
    }
    if (interrupt)
        std::thread(std::move(interrupt)).detach();
}

void OdbcCall::Finish()
{
    const std::lock_guard lock(mutex_);
    done_ = true;
    interrupt_ = nullptr;
    finished_.notify_all();
}

bool OdbcCall::Finished() const
{
    const std::lock_guard lock(mutex_);
    return done_;
}

bool OdbcCall::WaitUntil(Clock::time_point until)
{
    std::unique_lock lock(mutex_);
    return finished_.wait_until(lock, until, [this] { return done_; });
}

// ---------------------------------------------------------------------------------------------
// The thread

struct OdbcCallThread::Queue {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> tasks;
    bool closing = false;
    bool ended = false;
};

#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's allocator keeps the heap in a build that has it, and counts it so.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

using Clock = OdbcCallThread::Clock;

// How often the waiting side looks at the memory the program holds and for a request to end it: a
// signal handler cannot wake it.
constexpr auto Poll = std::chrono::milliseconds(100);
// How long closing a connection may take its thread (a rollback and a disconnect) before the
// program goes on without waiting.
constexpr auto CloseWait = std::chrono::seconds(5);

void Serve(const std::shared_ptr<OdbcCallThread::Queue>& queue)
{
    std::unique_lock lock(queue->mutex);
    while (true) {
        queue->changed.wait(lock, [&] { return !queue->tasks.empty() || queue->closing; });
        if (queue->tasks.empty())
            break;
        std::function<void()> task = std::move(queue->tasks.front());
        queue->tasks.pop_front();
        lock.unlock();
        task();
        // What the task holds (a connection, at the end) goes on this thread, not the caller's.
        task = nullptr;
        lock.lock();
    }
    queue->ended = true;
    queue->changed.notify_all();
}

// A thread serves one connection's calls after another's: a new thread would take its reads' memory
// from fresh pages each time, where one that served before reuses what its last reads freed. One that
// waits long for a connection ends.
struct Worker {
    std::shared_ptr<OdbcCallThread::Queue> queue; // the connection it serves now; guarded by the pool's mutex
    std::condition_variable assigned;
};

struct IdleWorkers {
    std::mutex mutex;
    std::vector<std::shared_ptr<Worker>> idle;
};

constexpr auto IdleLife = std::chrono::seconds(30);

// Threads hold it too, so that it outlives the program's own objects while they wait.
const std::shared_ptr<IdleWorkers>& Pool()
{
    static const auto pool = std::make_shared<IdleWorkers>();
    return pool;
}

void Work(const std::shared_ptr<IdleWorkers>& pool, const std::shared_ptr<Worker>& worker)
{
    std::unique_lock lock(pool->mutex);
    while (true) {
        std::shared_ptr<OdbcCallThread::Queue> queue = std::move(worker->queue);
        lock.unlock();
        Serve(queue);
        queue.reset();
        lock.lock();
        pool->idle.push_back(worker);
        if (!worker->assigned.wait_for(lock, IdleLife, [&] { return worker->queue != nullptr; })) {
            std::erase(pool->idle, worker);
            return;
        }
    }
}

// A read's rows are made on a connection's thread and freed on the window thread, which gives the
// heap they took back to the system at once, so that the next read takes fresh pages again. The heap
// is kept as glibc keeps it anyway once a large block has been freed: blocks of up to 32 MB from the
// heap, and up to twice that left free at its top. A library that takes no such hint only reads slower.
void KeepFreedHeap()
{
    [[maybe_unused]] static const bool kept = [] {
        constexpr int LargestHeapBlock = 32 << 20;
        return ::mallopt(M_MMAP_THRESHOLD, LargestHeapBlock) == 1 &&
               ::mallopt(M_TRIM_THRESHOLD, 2 * LargestHeapBlock) == 1;
    }();
}

void StartServing(const std::shared_ptr<OdbcCallThread::Queue>& queue)
{
    KeepFreedHeap();
    const std::shared_ptr<IdleWorkers>& pool = Pool();
    std::unique_lock lock(pool->mutex);
    if (!pool->idle.empty()) {
        const std::shared_ptr<Worker> worker = std::move(pool->idle.back());
        pool->idle.pop_back();
        worker->queue = queue;
        worker->assigned.notify_one();
        return;
    }
    auto worker = std::make_shared<Worker>();
    worker->queue = queue;
    lock.unlock();
    std::thread([pool, worker] { Work(pool, worker); }).detach();
}

// When each step of stopping a call comes. Past its deadline a call has a grace to stop by itself
// between driver calls, then its driver interrupts it, then its connection is cut; a call stopped for
// the memory it takes or for the program's end is interrupted and cut at once. An interrupted call
// may still have much to free before it returns, so it is left only some time after: at once, almost,
// where the program is ending.
struct StopSteps {
    Clock::time_point interrupt;
    Clock::time_point cut;
    Clock::time_point leave;
};

constexpr auto TimeToReturn = 3 * OdbcCallThread::Grace;

StopSteps StepsOf(OdbcStop reason, Clock::time_point deadline)
{
    const Clock::time_point now = Clock::now();
    switch (reason) {
    case OdbcStop::Deadline:
        return {deadline + OdbcCallThread::Grace, deadline + 2 * OdbcCallThread::Grace,
                deadline + 2 * OdbcCallThread::Grace + TimeToReturn};
    case OdbcStop::Ending:
        return {now, now, now + OdbcCallThread::Grace};
    default:
        return {now, now, now + TimeToReturn};
    }
}

} // namespace

void OdbcCallThread::GiveBackFreedHeap() { ::malloc_trim(0); }

OdbcCallThread::OdbcCallThread() : queue_(std::make_shared<Queue>())
{
    StartServing(queue_);
}

OdbcCallThread::~OdbcCallThread()
{
    std::unique_lock lock(queue_->mutex);
    queue_->closing = true;
    queue_->changed.notify_all();
    if (!left_)
        queue_->changed.wait_for(lock, CloseWait, [this] { return queue_->ended; });
}

void OdbcCallThread::Post(std::function<void()> work)
{
    const std::lock_guard lock(queue_->mutex);
    queue_->tasks.push_back(std::move(work));
    queue_->changed.notify_all();
}

OdbcCallEnd OdbcCallThread::Run(const std::shared_ptr<OdbcCall>& call, std::function<void()> work,
                                const std::function<bool()>& cutConnection)
{
    Post([call, work = std::move(work)] {
        work();
        call->Finish();
    });
    const std::int64_t baseline = HeldBytes();
    std::optional<StopSteps> steps;
    OdbcStop stepsFor = OdbcStop::None;
    bool interrupted = false, cutTried = false, cut = false;
    while (!call->WaitUntil(Clock::now() + Poll)) {
        if (TerminationRequested())
            call->Stop(OdbcStop::Ending);
        else if (HeldBytes() - baseline > MaxReadBytes)
            call->Stop(OdbcStop::Memory);
        const OdbcStop reason = call->Reason();
        if (reason == OdbcStop::None)
            continue;
        // A call past its deadline may still come to take too much memory, or the program to end.
        if (reason != stepsFor) {
            steps = StepsOf(reason, call->Deadline());
            stepsFor = reason;
        }
        const Clock::time_point now = Clock::now();
        if (!interrupted && now >= steps->interrupt) {
            interrupted = true;
            call->Interrupt();
        }
        if (!cutTried && now >= steps->cut) {
            cutTried = true;
            cut = cutConnection && cutConnection();
        }
        if (now >= steps->leave && !call->Finished()) {
            left_ = true;
            return OdbcCallEnd::Left;
        }
    }
    return cut ? OdbcCallEnd::Cut : OdbcCallEnd::Ended;
}

std::int64_t OdbcCallThread::HeldBytes()
{
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<std::int64_t>(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 heap = ::mallinfo2();
    return static_cast<std::int64_t>(heap.uordblks + heap.hblkhd);
#endif
}
