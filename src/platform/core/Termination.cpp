#include "platform/core/Termination.h"

#include <atomic>

namespace {

std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may only set a lock-free flag");

} // namespace

void NoteTerminationRequest() noexcept { requested.store(true, std::memory_order_relaxed); }

bool TerminationRequested() noexcept { return requested.load(std::memory_order_relaxed); }
