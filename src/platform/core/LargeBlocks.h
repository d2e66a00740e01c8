#pragma once

#include <cstddef>

// Storage for large buffers such as decoded pictures, asked of the system on huge pages where it
// offers them: filling a 36 MB picture then costs a few dozen page faults rather than thousands.
// Blocks from LargeBlockBytes on are the ones the C library maps afresh for each allocation, so that
// every picture of that size pays its page faults; smaller ones come from the ordinary heap, which
// reuses freed memory without any. The last block freed is kept for the next one of its size, as
// pictures are often loaded one after another at one size, and is given back when another is freed.
inline constexpr std::size_t LargeBlockBytes = std::size_t{32} << 20;

// Raises std::bad_alloc when the memory cannot be had; the bytes are unset.
void* AllocateLargeBlock(std::size_t bytes);
// `bytes` as the block was asked for.
void FreeLargeBlock(void* block, std::size_t bytes) noexcept;
