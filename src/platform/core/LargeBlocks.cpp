#include "platform/core/LargeBlocks.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace {

// The size of a transparent huge page on the machines the program runs on.
constexpr std::size_t HugePageBytes = std::size_t{2} << 20;

} // namespace

void* AllocateLargeBlock(std::size_t bytes)
{
    const std::size_t rounded = (bytes + HugePageBytes - 1) / HugePageBytes * HugePageBytes;
    void* block = std::aligned_alloc(HugePageBytes, rounded);
    if (block == nullptr)
        throw std::bad_alloc();
    // Only advice: where the system has no huge pages the block works the same on small ones.
    static_cast<void>(madvise(block, rounded, MADV_HUGEPAGE));
    return block;
}

void FreeLargeBlock(void* block) noexcept { std::free(block); }
