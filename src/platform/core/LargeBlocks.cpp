#include "platform/core/LargeBlocks.h"

#include <sys/mman.h>

#include <cstdlib>
#include <mutex>
#include <new>
#include <utility>

namespace {

// The size of a transparent huge page on the machines the program runs on.
constexpr std::size_t HugePageBytes = std::size_t{2} << 20;
// A freed block larger than this goes back to the system at once.
constexpr std::size_t LargestKeptBytes = std::size_t{256} << 20;

std::size_t RoundedToHugePages(std::size_t bytes)
{
    return (bytes + HugePageBytes - 1) / HugePageBytes * HugePageBytes;
}

// The last block freed, for the next allocation of its rounded size.
struct TKeptBlock {
    std::mutex Guard;
    void* Block = nullptr;
    std::size_t Bytes = 0;
};

// Never destroyed: bitmaps that outlive it at exit still free their blocks through it.
TKeptBlock& Kept()
{
    static TKeptBlock& kept = *new TKeptBlock;
    return kept;
}

} // namespace

void* AllocateLargeBlock(std::size_t bytes)
{
    const std::size_t rounded = RoundedToHugePages(bytes);
    {
        TKeptBlock& kept = Kept();
        const std::lock_guard lock(kept.Guard);
        if (kept.Block != nullptr && kept.Bytes == rounded)
            return std::exchange(kept.Block, nullptr);
    }
    void* block = std::aligned_alloc(HugePageBytes, rounded);
    if (block == nullptr)
        throw std::bad_alloc();
    // Only advice: where the system has no huge pages the block works the same on small ones.
    static_cast<void>(madvise(block, rounded, MADV_HUGEPAGE));
    return block;
}

void FreeLargeBlock(void* block, std::size_t bytes) noexcept
{
    const std::size_t rounded = RoundedToHugePages(bytes);
    if (rounded > LargestKeptBytes) {
        std::free(block);
        return;
    }
    TKeptBlock& kept = Kept();
    const std::lock_guard lock(kept.Guard);
    std::free(std::exchange(kept.Block, block));
    kept.Bytes = rounded;
}
